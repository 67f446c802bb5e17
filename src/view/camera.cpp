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
