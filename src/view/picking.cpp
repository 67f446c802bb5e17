// Picking by distance from the ray: one pass over the live cells.
#include "view/picking.h"

#include <cmath>

#include "view/cell_filter.h"

Vec3 pick_ray(const Tcamera& cam, int width, int height, double px, double py) {
    const CameraAxes ax = camera_axes(cam);
    const double aspect = double(width) / double(height);
    // The point on the near plane, in the frustum of set_projection.
    const double sx = (2 * px / width - 1) * aspect * kFrustumHalf;
    const double sy = (1 - 2 * py / height) * kFrustumHalf;
    Vec3 d = {ax.forward.x * kFrustumNear + ax.right.x * sx + ax.up.x * sy,
              ax.forward.y * kFrustumNear + ax.right.y * sx + ax.up.y * sy,
              ax.forward.z * kFrustumNear + ax.right.z * sx + ax.up.z * sy};
    const double len = std::sqrt(dot(d, d));
    return {d.x / len, d.y / len, d.z / len};
}

int pick_cell(const Tcamera& cam, int width, int height, double px, double py) {
    if (width <= 0 || height <= 0) return -1;
    const Vec3 d = pick_ray(cam, width, height, px, py);
    // The view's height at depth t is t * 2 * half / near; the radius in world
    // units grows with the depth.
    const double per_depth = kPickRadiusPx * 2 * kFrustumHalf / kFrustumNear / height;
    const double r2 = per_depth * per_depth;
    int best = -1;
    double best_t = 0;
    const int n = Cells_count;
    for (int i = 0; i < n; ++i) {
        const TCells& c = Cells[i];
        const Vec3 v = {c.x - cam.x, c.y - cam.y, c.z - cam.z};
        const double t = dot(v, d);
        if (t < kFrustumNear || (best >= 0 && t >= best_t)) continue;
        if (dot(v, v) - t * t > r2 * t * t || !cell_drawn(i)) continue;
        best = i;
        best_t = t;
    }
    return best;
}
