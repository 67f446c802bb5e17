// The camera arithmetic: the turns and their limits.
#include "support.h"

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
}
