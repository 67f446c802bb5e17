// The control poll against a scripted window system: flight keys, mouse look,
// switches and the pauses after them. F5 and F9 are covered end to end by
// e2e_checkpoint.py (the colony and the view back, a damaged file changes nothing).
#include <tuple>

#include "fake_platform.h"
#include "support.h"

namespace {

class Controls : public kt::WorldTest {
   protected:
    void SetUp() override {
        kt::WorldTest::SetUp();
        fake::reset();
        init_view_flags();
        camera = {0, 0, 0, 90, 0};  // level, heading 0: forward is +y
        restart_mouse_look();
        poll_controls();  // consume the restart; the cursor sits at the anchor
        fake::reset();
    }
    static void poll_with(const std::vector<Key>& keys) {
        for (Key k : keys) fake::hold(k);
        poll_controls();
        for (Key k : keys) fake::hold(k, false);
    }
    static void expect_camera(float x, float y, float z) {
        EXPECT_NEAR(camera.x, x, 3e-8);  // under one float step at 0.7
        EXPECT_NEAR(camera.y, y, 3e-8);
        EXPECT_NEAR(camera.z, z, 3e-8);
    }
};

}  // namespace

TEST_F(Controls, ForwardSideStepsAndMouseLookAfterTheMove) {
    // Start height, pitch, keys held; then where the camera is and W_S.
    const std::tuple<float, float, std::vector<Key>, Vec3, int> cases[] = {
        {0, 45, {Key::W, Key::D}, {0.4, 0, 0}, 0},            // D wins: a pure step right
        {0, 45, {Key::A, Key::D}, {0, 0.4, 0}, 0},            // the turns cancel: forward, level
        {0, 45, {Key::W, Key::S}, {0, -0.4, 0.28284273}, 1},  // S wins: back, and up
        {10, 0, {Key::W}, {0, 0.4, 9.6}, 1},                  // looking straight down
        {10, 180, {Key::S}, {0, -0.4, 9.6}, 1},               // S looking straight up: back, down
    };
    for (const auto& [z0, pitch, keys, at, w_s] : cases) {
        SCOPED_TRACE(z0 + pitch);
        camera = {0, 0, z0, pitch, 0};
        W_S = 0;
        poll_with(keys);
        expect_camera(float(at.x), float(at.y), float(at.z));
        EXPECT_EQ(W_S, w_s);
    }
    // The single-precision step: 0.3f + 0.4f in double rounds up (a double 0.4 gives 0.7f).
    // Right lowers the heading (wrapped once), up raises the pitch, after the move.
    camera = {0, 0.3f, 0, 90, 0};
    fake::state().cursor_x = 410;
    fake::state().cursor_y = 290;
    poll_with({Key::W});
    expect_camera(0, 0.70000005f, 0);
    EXPECT_EQ(std::tuple(camera.Xrot, camera.Zrot, fake::state().cursor_x, fake::state().cursor_y),
              std::tuple(92.f, 358.f, 400.0, 300.0));
    camera.Zrot = -90;  // at the anchor nothing turns, but the heading comes into range
    poll_controls();
    EXPECT_EQ(camera.Zrot, 270);
}

TEST_F(Controls, KeysAndTheirPauses) {
    // Held at once, keys act in poll order: digits, M, L, P, G, V, Space, keypad
    // minus and plus, Return. L starts on, the others off; L, P, G and V pause
    // 150 ms switching off and 100 ms on, M 150 both ways, digits 150.
    const auto flags = [] {
        return std::array<int, 9>{move_file, show_map, k_l,      k_p,    k_g,
                                  k_v,       kSpace,   show_len, kReturn};
    };
    poll_with({Key::Digit3, Key::Digit7, Key::M, Key::L, Key::P, Key::G, Key::V, Key::Space,
               Key::KeypadPlus, Key::Return});
    EXPECT_EQ(flags(), (std::array<int, 9>{7, 0, 0, 1, 1, 1, 1, 2, 1}));  // the highest digit wins
    EXPECT_EQ(fake::state().pauses,
              (std::vector<int>{150, 150, 150, 150, 100, 100, 100, 100, 100, 100}));
    fake::reset();
    poll_with({Key::Digit0, Key::M, Key::L, Key::P, Key::G, Key::V, Key::Space, Key::KeypadMinus,
               Key::Return});
    EXPECT_EQ(flags(), (std::array<int, 9>{0, 1, 1, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(fake::state().pauses,
              (std::vector<int>{150, 150, 100, 150, 150, 150, 100, 100, 100}));
}

// Escape's switch of the cursor itself is checked end to end (e2e.py, Start test_04).
TEST_F(Controls, AFreeCursorTurnsNothingMouseLookRestartsWithoutAJumpAndIdlesInTheBackground) {
    toggle_mouse_look();
    fake::state().cursor_x = 10;  // a free cursor neither turns the camera nor is moved
    poll_controls();
    EXPECT_EQ(std::pair(camera.Zrot, fake::state().cursor_x), std::pair(0.f, 10.0));
    toggle_mouse_look();
    // The focus regained with the cursor anywhere: the first poll turns nothing, then it turns.
    focus_changed(true);
    fake::state().cursor_x = 900;
    fake::state().cursor_y = 20;
    poll_controls();
    EXPECT_EQ(std::tuple(camera.Xrot, camera.Zrot, fake::state().cursor_x),
              std::tuple(90.f, 0.f, 400.0));
    fake::state().cursor_x = 405;
    poll_controls();
    EXPECT_EQ(camera.Zrot, 359);
    // In the background nothing is read, moved or paused for.
    fake::reset();
    fake::state().focused = false;
    fake::state().cursor_x = 0;
    poll_with({Key::W, Key::G, Key::Space});
    EXPECT_EQ(std::tuple(camera.y, camera.Zrot, k_g, kSpace, fake::state().cursor_x,
                         fake::state().pauses.size()),
              std::tuple(0.f, 359.f, 0, 0, 0.0, 0u));
}
