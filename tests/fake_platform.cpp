#include "fake_platform.h"

namespace fake {

State& state() {
    static State s;
    return s;
}

void reset() {
    state() = State{};
}

}  // namespace fake

bool plat_key_held(Key key) {
    return fake::state().held[int(key)];
}
bool plat_next_press(KeyPress& press) {
    auto& q = fake::state().presses;
    if (q.empty()) return false;
    press = q.front();
    q.erase(q.begin());
    return true;
}
bool plat_next_click(double& x, double& y) {
    auto& q = fake::state().clicks;
    if (q.empty()) return false;
    x = q.front().first;
    y = q.front().second;
    q.erase(q.begin());
    return true;
}
bool plat_focused() {
    return fake::state().focused;
}
void plat_cursor_get(double& x, double& y) {
    x = fake::state().cursor_x;
    y = fake::state().cursor_y;
}
void plat_cursor_set(double x, double y) {
    fake::state().cursor_x = x;
    fake::state().cursor_y = y;
}
void plat_cursor_capture(bool captured) {
    fake::state().captured = captured;
}
void plat_pause_ms(int ms) {
    fake::state().pauses.push_back(ms);
}
bool plat_take_drag(double& dx, double& dy, bool& started) {
    auto& s = fake::state();
    dx = s.drag[0], dy = s.drag[1], started = s.drag_started;
    s.drag[0] = s.drag[1] = 0, s.drag_started = false;
    return started || dx != 0 || dy != 0;
}
long plat_left_presses() {
    return 0;
}

double plat_take_wheel() {
    const double w = fake::state().wheel;
    fake::state().wheel = 0;
    return w;
}
