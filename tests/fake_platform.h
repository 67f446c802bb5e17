// A scripted stand-in for the window system: which keys are held, whether the
// window has the focus, where the cursor is, and a log of what the program asked.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace fake {

struct State {
    bool held[int(Key::Count)] = {};
    bool focused = true;
    double cursor_x = 400, cursor_y = 300;
    bool captured = false;
    std::vector<int> pauses;                        // every pause, in order
    std::vector<KeyPress> presses;                  // queued presses, oldest first
    std::vector<std::pair<double, double>> clicks;  // queued left clicks, oldest first
    double drag[2] = {};                            // right-button travel not yet taken
    bool drag_started = false;                      // a right-button drag began
    double wheel = 0;                               // wheel clicks not yet taken
};

State& state();
void reset();
inline void hold(Key k, bool down = true) {
    state().held[int(k)] = down;
}
inline void press(Key k, bool shift = false) {
    state().presses.push_back({k, shift});
}

}  // namespace fake
