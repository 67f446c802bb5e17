// The control poll against a scripted window system: flight keys, mouse look,
// switches and the pauses after them. F5 and F9 are covered end to end by
// e2e_checkpoint.py (the colony and the view back, a damaged file changes nothing).
#include <cmath>
#include <fstream>
#include <iterator>
#include <tuple>

#include "fake_platform.h"
#include "support.h"
#include "platform/input_queue.h"
#include "ui/panel_state.h"
#include "view/checkpoint_requests.h"
#include "view/designer_requests.h"

namespace {

class Controls : public kt::WorldTest {
   protected:
    void SetUp() override {
        kt::WorldTest::SetUp();
        fake::reset();
        init_view_flags(), init_panel_state();
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

// Every row with a key: pressing the key leaves the flags that act() leaves,
// and docs/keys.md holds the table as it is.
TEST_F(Controls, EveryKeyActsAsItsRowAndTheDocsHoldTheTable) {
    const auto flags = [] {
        return std::vector<int>{k_v,
                                k_g,
                                k_l,
                                show_map,
                                paused,
                                step_wanted,
                                kReturn,
                                kSpace,
                                k_p,
                                heat_channel,
                                int(slab.axis),
                                slab.first,
                                slab.thickness,
                                show_len,
                                move_file,
                                show_overlay,
                                panel_state.open,
                                showmouse,
                                recording,
                                screenshot_wanted,
                                page_wanted,
                                step_back_wanted,
                                genome_following,
                                checkpoint_save_wanted,
                                checkpoint_load_wanted};
    };
    const auto reset = [] {
        init_view_flags(), init_panel_state();
        k_v = k_g = kReturn = kSpace = k_p = step_back_wanted = genome_following = 0;
        checkpoint_save_wanted = checkpoint_load_wanted = 0;
    };
    int keys = 0;
    for (const ActionRow& row : kActions) {
        if (row.key == Key::Count || row.stage == Stage::Flight) continue;
        const Key key = Key(int(row.key) + row.keys - 1);  // the digits: 9
        SCOPED_TRACE(key_label(key));
        reset();
        fake::press(key);
        poll_with({key});  // held and pressed: whichever stage polls it acts once
        const std::vector<int> by_key = flags();
        reset();
        act(row.action, row.keys - 1);
        EXPECT_EQ(flags(), by_key);
        ++keys;
    }
    EXPECT_EQ(keys, 29);
    std::ifstream docs(KELVARO_DOCS "/keys.md");
    const std::string text((std::istreambuf_iterator<char>(docs)), {});
    EXPECT_NE(text.find(action_table_markdown()), std::string::npos)
        << "docs/keys.md's table of actions should read:\n"
        << action_table_markdown();
}

// Key events reach the GUI at most one change of a key a frame, and a
// character never ahead of a key press that acts on the text before it.
TEST(InputQueue, EachFrameTakesOneChangeOfAKeyAndKeepsTheOrder) {
    constexpr int P = InputQueue::kKeyPress, R = InputQueue::kKeyRelease;
    const InputEvent bs_down{InputEvent::kKey, true, true, false, 259, 0, P, 0, 0};
    const InputEvent bs_up{InputEvent::kKey, true, true, false, 259, 0, R, 0, 0};
    const InputEvent x_down{InputEvent::kKey, false, false, false, 88, 0, P, 0, 0};
    const InputEvent x_up{InputEvent::kKey, false, false, false, 88, 0, R, 0, 0};
    const InputEvent x_char{InputEvent::kChar, false, false, false, 0, 0, 0, 0, 'x'};
    const InputEvent repeat{InputEvent::kKey, true, true, false, 259, 0, 2, 0, 0};
    const InputEvent ctrl_down{InputEvent::kKey, false, false, true, 341, 0, P, 0, 0};
    const InputEvent ctrl_up{InputEvent::kKey, false, false, true, 341, 0, R, 2, 0};
    const InputEvent click{InputEvent::kMouse, false, false, false, 0, 0, P, 0, 0};
    const InputEvent leave{InputEvent::kLeaveText, false, false, false, 0, 0, 0, 0, 0};
    // The events of one poll, and how many each frame takes.
    const std::pair<std::vector<InputEvent>, std::vector<int>> cases[] = {
        {{bs_down, bs_up}, {1, 1}},                           // a tap spans two frames
        {{x_down, x_char, x_up, x_down, x_char, x_up}, {6}},  // typing flows
        {{bs_down, x_char, bs_up}, {1, 2}},                   // the character waits for Backspace
        {{x_char, bs_down, repeat, bs_up}, {3, 1}},           // repeats change nothing
        {{ctrl_down, x_down, x_char, ctrl_up}, {4}},          // modifiers alone flow
        {{ctrl_down, bs_down, ctrl_up, x_char, bs_up}, {2, 3}},  // Ctrl held for Backspace's frame
        {{x_char, leave, x_char}, {1, 1, 1}},  // Escape leaves the field in a frame of its own
        {{x_char, click, x_char}, {1, 1, 1}},  // and so does a click
    };
    for (const auto& [events, frames] : cases) {
        InputQueue q;
        for (const InputEvent& e : events) ASSERT_TRUE(q.push(e));
        std::vector<int> taken;
        while (q.size() > 0) {
            int n = 0;
            q.take_frame([&n](const InputEvent&) { ++n; });
            taken.push_back(n);
        }
        EXPECT_EQ(taken, frames);
    }
}

// The panel's own controls: Tab frees the cursor and gives mouse look back; a
// type hidden, isolated or framed along an axis; the orbit keeps its distance.
TEST_F(Controls, PanelControlsAndTheMouseOrbit) {
    act(Action::TogglePanel);
    EXPECT_EQ(std::pair(int(panel_state.open), fake::state().captured), std::pair(1, false));
    act(Action::TogglePanel);
    EXPECT_EQ(std::pair(int(panel_state.open), fake::state().captured), std::pair(0, true));
    act(Action::ToggleTypeHidden, 5);
    act(Action::ToggleTypeHidden, 250);  // every type outside 0..99
    EXPECT_EQ(std::tuple(type_hidden(5), type_hidden(6), type_hidden(-3)),
              std::tuple(true, false, true));
    act(Action::ToggleTypeHidden, 1);  // type 1 has one switch, L's
    EXPECT_EQ(std::pair(int(k_l), type_hidden(1)), std::pair(0, false));
    act(Action::IsolateThisType, 11);
    EXPECT_EQ(std::pair(move_file != 0, show_len), std::pair(true, 11));
    kt::place(5, 100, 100, 1), kt::place(5, 120, 110, 1);
    act(Action::SetSliceAxis, int(SliceAxis::X));  // a slice starts at the colony's middle
    EXPECT_EQ(slab.first, 110);
    act(Action::ViewAlongAxis, 2);  // from above: looking straight down at the colony
    EXPECT_EQ(std::tuple(camera.Xrot, camera.x, camera.y), std::tuple(0.f, 110.f, 105.f));
    toggle_mouse_look();  // a free cursor: the right button orbits, the wheel moves
    camera = {110, 60, 30, 60, 0};
    const auto distance = [] {
        return std::hypot(camera.x - 110.0, camera.y - 105.0, camera.z - 1);
    };
    const double start = distance();
    fake::state().drag_started = true;
    fake::state().drag[0] = 100;  // 20 degrees about the colony's centre
    poll_controls();
    EXPECT_NEAR(distance(), start, 1e-3);
    EXPECT_NE(camera.x, 110.f);
    EXPECT_NEAR(camera.Zrot, 340, 1e-4);
    const Tcamera before = camera;
    const Vec3 f = camera_axes(camera).forward;
    fake::state().wheel = 2;
    poll_controls();
    const Vec3 moved = {camera.x - before.x, camera.y - before.y, camera.z - before.z};
    EXPECT_NEAR(dot(moved, f), 2 * kWheelStep, 1e-4);  // along the view, two steps
    EXPECT_NEAR(dot(moved, moved), 4 * kWheelStep * kWheelStep, 1e-3);
}
