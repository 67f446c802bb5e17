// The framing camera: the closest distance along the view at which every
// corner of the box lies inside the frustum.
#include "view/framing.h"

#include <algorithm>
#include <cmath>

Tcamera framing_camera(const CellBox& box, float aspect, float pitch, float heading) {
    Tcamera cam = {0, 0, 0, pitch, heading};
    const CameraAxes ax = camera_axes(cam);
    const Vec3 centre = {(box.lo[0] + box.hi[0]) / 2.0, (box.lo[1] + box.hi[1]) / 2.0,
                         (box.lo[2] + box.hi[2]) / 2.0};
    // Half the view's width and height per unit of depth.
    const double tan_y = kFrustumHalf / kFrustumNear * kFramingFill;
    const double tan_x = tan_y * std::max(aspect, 0.01f);
    double distance = 1;
    for (int k = 0; k < 8; ++k) {
        const Vec3 corner = {(k & 1 ? box.hi[0] + 0.5 : box.lo[0] - 0.5) - centre.x,
                             (k & 2 ? box.hi[1] + 0.5 : box.lo[1] - 0.5) - centre.y,
                             (k & 4 ? box.hi[2] + 0.5 : box.lo[2] - 0.5) - centre.z};
        const double f = dot(corner, ax.forward);
        // The corner's depth is distance + f; it must see the corner within the view.
        distance = std::max({distance, std::abs(dot(corner, ax.right)) / tan_x - f,
                             std::abs(dot(corner, ax.up)) / tan_y - f, 1.0 - f});
    }
    cam.x = float(centre.x - distance * ax.forward.x);
    cam.y = float(centre.y - distance * ax.forward.y);
    cam.z = float(centre.z - distance * ax.forward.z);
    return cam;
}
