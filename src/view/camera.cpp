// The camera's arithmetic.
#include "view/camera.h"

#include <cmath>

Tcamera camera = kStartCamera;

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
