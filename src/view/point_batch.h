// The colony as arrays for GL to draw: each visible cell becomes a position
// and the colour that would be current when an immediate-mode point is issued,
// so that one draw of the arrays paints what a run of glColor/glVertex calls
// paints. The arrays are static, sized for a full cell table.
#pragma once

#include <cstdint>

#include "sim/sizes.h"
#include "view/rgb.h"

// Positions and colours of the points of one frame. Main thread only.
struct PointBatch {
    float xyz[3 * kMaxCells];          // the points, three coordinates each
    std::uint8_t rgba[4 * kMaxCells];  // their colours, opaque
    int count = 0;                     // points filled this frame
};
// The batch the window and the pictures draw from.
extern PointBatch point_batch;

// A colour component as GL takes a double: clamped to 0..1, then scaled to a byte.
std::uint8_t unit_to_byte(double v);

// A cell sink that fills a PointBatch. It tracks the current colour as GL does:
// a colour command changes it, a point takes it, and a point that comes before
// any colour of this frame takes `current`, what was current before it began.
struct PointBatchSink {
    PointBatch& batch;  // where the points go
    Rgb current;        // the colour the next point takes

    // Starts an empty frame.
    void begin() { batch.count = 0; }
    // Nothing to finish: the arrays are complete.
    void end() {}
    // Makes a colour current.
    void color_ub(std::uint8_t r, std::uint8_t g, std::uint8_t b) { current = {r, g, b}; }
    // Makes a colour current, given as GL doubles (clamped as GL clamps them).
    void color_d(double r, double g, double b) {
        current = {unit_to_byte(r), unit_to_byte(g), unit_to_byte(b)};
    }
    // Adds a point in the current colour; a full batch drops it (it cannot be
    // fuller than the cell table).
    void vertex(double x, double y, double z) {
        const int n = batch.count;
        if (n >= kMaxCells) return;
        batch.xyz[3 * n] = float(x);
        batch.xyz[3 * n + 1] = float(y);
        batch.xyz[3 * n + 2] = float(z);
        std::uint8_t* c = &batch.rgba[4 * n];
        c[0] = current.r, c[1] = current.g, c[2] = current.b, c[3] = 255;
        batch.count = n + 1;
    }
};
