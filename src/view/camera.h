// The free-flying camera and its arithmetic, free of GL and of the keyboard.
// The single and double precision steps are deliberate: they make the camera's
// path exactly repeatable.
#pragma once

// The camera. Lattice coordinates are world coordinates, z up.
struct Tcamera {
    float x, y, z;  // position
    float Xrot;     // pitch in degrees: 0 looks straight down, 90 level, 180 up
    float Zrot;     // heading in degrees about z, kept in 0..360 once the mouse turned it
};
// The window's camera; main thread only.
extern Tcamera camera;
// The view's size in pixels, as the projection was last set; main thread only.
extern int view_width, view_height;
// Where the camera starts.
inline constexpr Tcamera kStartCamera = {-1.0f, -1.0f, 30.0f, 30.0f, -90.0f};

inline constexpr double kPi = 3.141592653589793;  // the camera's angles turn by it
inline constexpr int kMouseAnchorX = 400;         // mouse look measures from here, in window pixels
inline constexpr int kMouseAnchorY = 300;         // (the anchor's row)
inline constexpr float kFlightStep = 0.4f;        // lattice units per frame a flight key is held
inline constexpr double kMouseDegree = 5.0;       // pixels of mouse travel per degree of turn
inline constexpr double kWheelStep = 5.0;         // lattice units per wheel click
// The frustum: half its height at the near plane, which lies twice as far away
// (a vertical field of view of 2 atan(1/2), about 53 degrees).
inline constexpr float kFrustumHalf = 0.1f;
inline constexpr float kFrustumNear = kFrustumHalf + kFrustumHalf;
inline constexpr float kFrustumFar = 1000.0f;

// A direction or a point in world coordinates.
struct Vec3 {
    double x, y, z;
};
// Dot product.
inline double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
// The camera's axes in world coordinates: where the screen's right, its up and
// the view point, as the window's view transform (apply_camera) turns them.
struct CameraAxes {
    Vec3 right, up, forward;  // unit vectors
};
// The axes of `cam`.
CameraAxes camera_axes(const Tcamera& cam);

// Turns `cam`, keeping the pitch in 0..180 and bringing the heading back into
// 0..360 by one correction each way.
void rotate_camera(Tcamera& cam, float x_angle, float z_angle);
// rotate_camera on the window's camera.
void Camera_Rotation(float xAngle, float zAngle);
// The direction W flies along, in radians, from the camera's heading.
float flight_heading(const Tcamera& cam);
// The heading turned a quarter left (-1) or right (+1), for A and D.
float sideways_heading(float heading, int side);
// Moves `cam` by `speed` along `heading`; with `vertical` (W, S) it also climbs
// or dives with the pitch.
void fly(Tcamera& cam, float speed, float heading, bool vertical);
// Turns `cam` by the angles as rotate_camera does, about `pivot` instead of
// its own place: the distance to the pivot and the pivot's place in the view
// are kept.
void orbit_camera(Tcamera& cam, const Vec3& pivot, float x_angle, float z_angle);
// Moves `cam` by `distance` along its view.
void move_along_view(Tcamera& cam, float distance);
// The turn that a cursor at (cur_x, cur_y) asks for: 5 pixels from the anchor
// per degree.
void mouse_look_turn(long cur_x, long cur_y, float& x_angle, float& z_angle);
