// The camera arithmetic: where it starts, turns and the mouse-look turn.
#include "support.h"

namespace {

// The camera as the process starts, before any test touches it.
const Tcamera kCameraAtStart = camera;

}  // namespace

TEST(Camera, StartsWhereTheSeedIsInViewWithTheStartFlags) {
    const Tcamera& c = kCameraAtStart;
    EXPECT_EQ(std::tuple(c.x, c.y, c.z, c.Xrot, c.Zrot), std::tuple(-1.f, -1.f, 30.f, 30.f, -90.f));
    kt::reset_world();
    init_view_flags();
    EXPECT_EQ((std::array<int, 7>{k_g, k_v, k_l, show_map, showmouse, move_file, show_len}),
              (std::array<int, 7>{0, 0, 1, 1, 0, 0, 1}));
}

TEST(Camera, RotationClampsThePitchAndCorrectsTheHeadingOnceEachWay) {
    // From, turn, to: -390 stays outside, 360 and 0 stay.
    for (auto [from, turn, to] :
         {std::array<float, 3>{10, -400, -30}, {350, 20, 10}, {350, 10, 360}, {360, -360, 0}}) {
        Tcamera cam{0, 0, 0, 90, from};
        rotate_camera(cam, 0, turn);
        EXPECT_EQ(cam.Zrot, to) << from << " " << turn;
    }
    Tcamera cam{0, 0, 0, 90, 0};
    rotate_camera(cam, -500, 0);
    const float lowest = cam.Xrot;
    rotate_camera(cam, 500, 0);
    EXPECT_EQ(std::pair(lowest, cam.Xrot), std::pair(0.f, 180.f));
    float x = 0, z = 0;  // 5 pixels per degree: right lowers the heading, up raises the pitch
    mouse_look_turn(410, 290, x, z);
    EXPECT_EQ(std::pair(x, z), std::pair(2.f, -2.f));
}
