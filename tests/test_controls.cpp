// The control poll and the camera, against a scripted window system.
#include <cmath>

#include "fake_platform.h"
#include "support.h"

namespace {

// The camera as the process starts, before any test touches it.
const Tcamera kCameraAtStart = camera;

class Controls : public kt::WorldTest {
   protected:
    void SetUp() override {
        kt::WorldTest::SetUp();
        fake::reset();
        init_infra();
        camera = {0, 0, 0, 90, 0};  // level, heading 0: forward is +y
        W_S = 0;
        restart_mouse_look();
        Player_Move();  // consume the restart; the cursor sits at the anchor
        fake::reset();
    }
    void poll_with(std::initializer_list<Key> keys) {
        for (Key k : keys) fake::hold(k);
        Player_Move();
        for (Key k : keys) fake::hold(k, false);
    }
};

}  // namespace

TEST_F(Controls, CameraStartsAboveTheOriginLookingDownAt30Degrees) {
    EXPECT_EQ(kCameraAtStart.x, -1);
    EXPECT_EQ(kCameraAtStart.y, -1);
    EXPECT_EQ(kCameraAtStart.z, 30);
    EXPECT_EQ(kCameraAtStart.Xrot, 30);
    EXPECT_EQ(kCameraAtStart.Zrot, -90);
    // The flags as init_infra leaves them.
    kt::reset_world();
    init_infra();
    EXPECT_EQ(k_g, 0);
    EXPECT_EQ(k_v, 0);
    EXPECT_EQ(k_l, 1);
    EXPECT_EQ(show_map, 1);
    EXPECT_EQ(showmouse, 0);
    EXPECT_EQ(move_file, 0);
    EXPECT_EQ(show_len, 1);
}

TEST_F(Controls, ForwardAndSideSteps) {
    poll_with({Key::W});
    EXPECT_FLOAT_EQ(camera.y, 0.4f);
    EXPECT_NEAR(camera.x, 0, 1e-6);
    EXPECT_NEAR(camera.z, 0, 1e-6);  // level: no vertical component

    camera = {0, 0, 0, 90, 0};
    poll_with({Key::W, Key::D});  // D wins: a pure step to the right
    EXPECT_FLOAT_EQ(camera.x, 0.4f);
    EXPECT_NEAR(camera.y, 0, 1e-6);
    EXPECT_EQ(W_S, 0);

    camera = {0, 0, 0, 45, 0};
    poll_with({Key::A, Key::D});  // the quarter turns cancel: forward, horizontally
    EXPECT_FLOAT_EQ(camera.y, 0.4f);
    EXPECT_FLOAT_EQ(camera.z, 0);

    camera = {0, 0, 0, 45, 0};
    poll_with({Key::W, Key::S});  // S wins: backwards, with the vertical component
    EXPECT_FLOAT_EQ(camera.y, -0.4f);
    EXPECT_NEAR(camera.z, 0.4 * std::cos(kPi / 4), 1e-6);

    camera = {0, 0, 10, 0, 0};  // looking straight down: W goes forward and down at once
    poll_with({Key::W});
    EXPECT_FLOAT_EQ(camera.y, 0.4f);
    EXPECT_FLOAT_EQ(camera.z, 9.6f);
}

TEST_F(Controls, MovementUsesTheHeadingBeforeThisFramesTurn) {
    fake::state().cursor_x = 400 - 450;  // a 90 degree turn to the left
    poll_with({Key::W});
    EXPECT_FLOAT_EQ(camera.Zrot, 90);
    EXPECT_FLOAT_EQ(camera.y, 0.4f);  // moved along the old heading
    EXPECT_NEAR(camera.x, 0, 1e-6);
}

TEST_F(Controls, MouseLookTurnsOneDegreePerFivePixelsAndReanchors) {
    fake::state().cursor_x = 410;
    fake::state().cursor_y = 290;
    Player_Move();
    EXPECT_FLOAT_EQ(camera.Zrot, 358);  // right lowers the heading (wrapped once)
    EXPECT_FLOAT_EQ(camera.Xrot, 92);   // up raises the pitch
    EXPECT_EQ(fake::state().cursor_x, 400);
    EXPECT_EQ(fake::state().cursor_y, 300);
    // At the anchor: no turn.
    Player_Move();
    EXPECT_FLOAT_EQ(camera.Zrot, 358);
    // A free cursor (showmouse) neither turns the camera nor is moved.
    showmouse = 1;
    fake::state().cursor_x = 10;
    fake::state().cursor_sets.clear();
    Player_Move();
    EXPECT_FLOAT_EQ(camera.Zrot, 358);
    EXPECT_TRUE(fake::state().cursor_sets.empty());
}

TEST_F(Controls, RotationKeepsPitchAndCorrectsHeadingOnce) {
    camera.Zrot = 10;
    Camera_Rotation(0, -400);  // -390: one correction leaves it outside
    EXPECT_FLOAT_EQ(camera.Zrot, -30);
    camera.Zrot = 350;
    Camera_Rotation(0, 10);  // 360 itself stays
    EXPECT_FLOAT_EQ(camera.Zrot, 360);
    Camera_Rotation(0, -360);  // 0 stays
    EXPECT_FLOAT_EQ(camera.Zrot, 0);
    Camera_Rotation(-500, 0);
    EXPECT_FLOAT_EQ(camera.Xrot, 0);
    Camera_Rotation(500, 0);
    EXPECT_FLOAT_EQ(camera.Xrot, 180);
    // The first mouse step brings the start heading of -90 into range.
    camera.Zrot = -90;
    Player_Move();
    EXPECT_FLOAT_EQ(camera.Zrot, 270);
}

TEST_F(Controls, MouseLookRestartsWithoutAJump) {
    // After the window regains the focus the cursor may be anywhere; the first
    // poll only re-anchors it.
    focus_changed(true);
    fake::state().cursor_x = 900;
    fake::state().cursor_y = 20;
    Player_Move();
    EXPECT_FLOAT_EQ(camera.Zrot, 0);
    EXPECT_FLOAT_EQ(camera.Xrot, 90);
    EXPECT_EQ(fake::state().cursor_x, 400);
    // Then it turns again.
    fake::state().cursor_x = 405;
    Player_Move();
    EXPECT_FLOAT_EQ(camera.Zrot, 359);
}

TEST_F(Controls, InTheBackgroundNothingIsReadOrMoved) {
    fake::state().focused = false;
    fake::state().cursor_x = 0;
    poll_with({Key::W, Key::G, Key::Space});
    EXPECT_EQ(camera.y, 0);
    EXPECT_EQ(k_g, 0);
    EXPECT_EQ(kSpace, 0);
    EXPECT_TRUE(fake::state().cursor_sets.empty());
    EXPECT_TRUE(fake::state().pauses.empty());
}

TEST_F(Controls, TogglesAndTheirPauses) {
    // L starts on: switching it off pauses 150 ms, on again 100 ms.
    poll_with({Key::L});
    EXPECT_EQ(k_l, 0);
    poll_with({Key::L});
    EXPECT_EQ(k_l, 1);
    EXPECT_EQ(fake::state().pauses, (std::vector<int>{150, 100}));
    fake::reset();
    poll_with({Key::G});
    poll_with({Key::V});
    poll_with({Key::P});
    EXPECT_EQ(k_g, 1);
    EXPECT_EQ(k_v, 1);
    EXPECT_EQ(k_p, 1);
    EXPECT_EQ(fake::state().pauses, (std::vector<int>{100, 100, 100}));
    fake::reset();
    // M pauses 150 ms both ways; Space and Return 100 ms.
    poll_with({Key::M});
    poll_with({Key::M});
    poll_with({Key::Space});
    poll_with({Key::Return});
    EXPECT_EQ(show_map, 1);
    EXPECT_EQ(kSpace, 1);
    EXPECT_EQ(kReturn, 1);
    EXPECT_EQ(fake::state().pauses, (std::vector<int>{150, 150, 100, 100}));
}

TEST_F(Controls, DigitsAndKeypadSteps) {
    poll_with({Key::Digit3, Key::Digit7});
    EXPECT_EQ(move_file, 7);  // the highest held digit wins
    EXPECT_EQ(fake::paused_ms(), 300);
    poll_with({Key::Digit0});
    EXPECT_EQ(move_file, 0);
    for (int f = 0; f < 10; ++f) poll_with({Key::KeypadPlus});
    EXPECT_EQ(show_len, 11);
    for (int f = 0; f < 13; ++f) poll_with({Key::KeypadMinus});
    EXPECT_EQ(show_len, -2);  // no lower bound
}

TEST_F(Controls, EscapeSwitchesBetweenMouseLookAndAFreeCursor) {
    toggle_mouse_look();
    EXPECT_EQ(showmouse, 1);
    EXPECT_FALSE(fake::state().captured);
    EXPECT_EQ(fake::state().pauses, (std::vector<int>{100}));
    fake::state().cursor_x = 30;
    toggle_mouse_look();
    EXPECT_EQ(showmouse, 0);
    EXPECT_TRUE(fake::state().captured);
    EXPECT_EQ(fake::state().cursor_x, 400);  // back at the anchor
    Player_Move();
    EXPECT_FLOAT_EQ(camera.Zrot, 0);
}
