// The camera's arithmetic.
#include "view/camera.h"

#include <cmath>

Tcamera camera = kStartCamera;
int view_width = 0, view_height = 0;

namespace {
constexpr double kQuarterTurn = 1.5707963267948966;
}  // namespace

void rotate_camera(Tcamera& cam, float x_angle, float z_angle) {
    cam.Zrot += z_angle;
    if (cam.Zrot < 0) cam.Zrot += 360;
    if (cam.Zrot > 360) cam.Zrot -= 360;
    cam.Xrot += x_angle;
    if (cam.Xrot < 0) cam.Xrot = 0;
    if (cam.Xrot > 180) cam.Xrot = 180;
}

void Camera_Rotation(float xAngle, float zAngle) {
    rotate_camera(camera, xAngle, zAngle);
}

float flight_heading(const Tcamera& cam) {
    return static_cast<float>(kPi * static_cast<double>(-cam.Zrot / 180.0f));
}

float sideways_heading(float heading, int side) {
    return static_cast<float>(static_cast<double>(heading) + side * kQuarterTurn);
}

void fly(Tcamera& cam, float speed, float heading, bool vertical) {
    cam.x = static_cast<float>(cam.x + speed * std::sin(static_cast<double>(heading)));
    cam.y = static_cast<float>(cam.y + speed * std::cos(static_cast<double>(heading)));
    if (vertical)
        cam.z = static_cast<float>(cam.z -
                                   speed * std::cos(kPi * static_cast<double>(-cam.Xrot / 180.0f)));
}

void mouse_look_turn(long cur_x, long cur_y, float& x_angle, float& z_angle) {
    x_angle = static_cast<float>((kMouseAnchorY - cur_y) / 5.0);
    z_angle = static_cast<float>((kMouseAnchorX - cur_x) / 5.0);
}

CameraAxes camera_axes(const Tcamera& cam) {
    // The view transform turns by -Xrot about x, then by -Zrot about z; the
    // eye's axes in the world are those turns undone: Rz(Zrot) Rx(Xrot).
    const double p = cam.Xrot * kPi / 180, h = cam.Zrot * kPi / 180;
    const double sp = std::sin(p), cp = std::cos(p), sh = std::sin(h), ch = std::cos(h);
    return {{ch, sh, 0}, {-sh * cp, ch * cp, sp}, {-sh * sp, ch * sp, -cp}};
}

void orbit_camera(Tcamera& cam, const Vec3& pivot, float x_angle, float z_angle) {
    // The pivot in the eye's axes stays put while the axes turn.
    const CameraAxes before = camera_axes(cam);
    const Vec3 d = {pivot.x - cam.x, pivot.y - cam.y, pivot.z - cam.z};
    const double r = dot(d, before.right), u = dot(d, before.up), f = dot(d, before.forward);
    rotate_camera(cam, x_angle, z_angle);
    const CameraAxes a = camera_axes(cam);
    cam.x = float(pivot.x - r * a.right.x - u * a.up.x - f * a.forward.x);
    cam.y = float(pivot.y - r * a.right.y - u * a.up.y - f * a.forward.y);
    cam.z = float(pivot.z - r * a.right.z - u * a.up.z - f * a.forward.z);
}

void move_along_view(Tcamera& cam, float distance) {
    const Vec3 f = camera_axes(cam).forward;
    cam.x = float(cam.x + distance * f.x);
    cam.y = float(cam.y + distance * f.y);
    cam.z = float(cam.z + distance * f.z);
}
