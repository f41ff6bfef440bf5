#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>

#include "msgbox/box_placement.h"

namespace {

// A 1280x1024 screen with a 40-pixel taskbar at the bottom.
const PbRect kWork = {0, 0, 1280, 984};

PbRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return PbRect{left, top, right, bottom};
}

std::pair<int32_t, int32_t> Place(int32_t width, int32_t height, const PbRect& owner, const PbRect& work = kWork,
                                  bool minimized = false, PbPoint requested = {0, 0})
{
    PbBoxPlacement placement;
    placement.box = PbSize{width, height};
    placement.requested = requested;
    placement.owner = owner;
    placement.ownerMinimized = minimized;
    placement.workArea = work;
    const PbPoint topLeft = PbPlaceBox(placement);
    return {topLeft.x, topLeft.y};
}

using XY = std::pair<int32_t, int32_t>;

TEST(BoxPlacement, OwnerInsideTheWorkAreaKeepsExactCentring)
{
    EXPECT_EQ(Place(300, 150, Rect(100, 100, 700, 500)), XY(250, 225));
    // Each half rounded toward zero: (101 + 700) / 2 - 301 / 2.
    EXPECT_EQ(Place(301, 151, Rect(101, 100, 700, 501)), XY(250, 225));
    // The same on a monitor left of the primary, where the sums are
    // negative: -1201 / 2 is -600, not -601.
    EXPECT_EQ(Place(301, 151, Rect(-901, 101, -300, 500), Rect(-1280, 0, 0, 1024)), XY(-750, 225));
    // A box that just fits against every edge is not moved.
    EXPECT_EQ(Place(300, 150, Rect(0, 0, 300, 150)), XY(0, 0));
    EXPECT_EQ(Place(300, 150, Rect(980, 834, 1280, 984)), XY(980, 834));
}

TEST(BoxPlacement, OwnerNearACornerOrEdgeMovesTheBoxTheLeastDistanceIn)
{
    const struct {
        const char* corner;
        PbRect owner;
        XY topLeft;
    } cases[] = {
        {"top left", Rect(-500, -400, 100, 0), XY(0, 0)},
        {"top right", Rect(1200, -300, 1800, 100), XY(980, 0)},
        {"bottom left", Rect(-400, 900, 200, 1300), XY(0, 834)},
        {"bottom right", Rect(1100, 800, 1700, 1200), XY(980, 834)},
        // Off one edge only: the other axis keeps its exact centring.
        {"left edge", Rect(-200, 300, 400, 700), XY(0, 425)},
        {"bottom edge", Rect(400, 800, 1000, 1200), XY(550, 834)},
        // Wholly off the screen, past its right.
        {"off to the right", Rect(3000, 300, 3600, 700), XY(980, 425)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Place(300, 150, c.owner), c.topLeft) << c.corner;
    // The voltage window once seen at -61,918 to 222,1107 on a 1280x1024
    // screen without a taskbar.
    EXPECT_EQ(Place(283, 189, Rect(-120, 826, 280, 1198), Rect(0, 0, 1280, 1024)), XY(0, 835));
}

TEST(BoxPlacement, OwnerLargerThanTheScreen)
{
    EXPECT_EQ(Place(300, 150, Rect(-8, -8, 3000, 2500)), XY(980, 834));
    EXPECT_EQ(Place(300, 150, Rect(-3000, -2500, 8, 8)), XY(0, 0));
    // Larger, but centred on the screen: exact centring.
    EXPECT_EQ(Place(300, 150, Rect(-400, -300, 1680, 1284)), XY(490, 417));
}

TEST(BoxPlacement, BoxLargerThanTheWorkAreaStartsAtItsTopLeft)
{
    EXPECT_EQ(Place(1500, 1100, Rect(100, 100, 700, 500)), XY(0, 0));
    EXPECT_EQ(Place(1500, 1100, Rect(1100, 800, 1700, 1200), Rect(-1280, 30, 0, 1024)), XY(-1280, 30));
    // Too wide only: the height still fits and is centred.
    EXPECT_EQ(Place(1500, 150, Rect(100, 100, 700, 500)), XY(0, 225));
}

TEST(BoxPlacement, MinimizedOwnerCentresOnTheWorkArea)
{
    const PbRect iconic = Rect(-32000, -32000, -31840, -31969);
    EXPECT_EQ(Place(300, 150, iconic, kWork, true), XY(490, 417));
    // An icon on the screen is no better a centre than one off it.
    EXPECT_EQ(Place(300, 150, Rect(0, 960, 160, 984), kWork, true), XY(490, 417));
    EXPECT_EQ(Place(300, 150, iconic, Rect(1280, 0, 2560, 1024), true), XY(1770, 437));
    EXPECT_EQ(Place(1500, 1100, iconic, kWork, true), XY(0, 0));
}

TEST(BoxPlacement, ExplicitPositionStaysExactlyAsGiven)
{
    const PbRect offScreen = Rect(-500, -400, 100, 0);
    EXPECT_EQ(Place(300, 150, offScreen, kWork, false, {0, 77}), XY(0, 77));
    EXPECT_EQ(Place(300, 150, offScreen, kWork, true, {-5000, 0}), XY(-5000, 0));
    EXPECT_EQ(Place(300, 150, Rect(100, 100, 700, 500), kWork, false, {1270, 980}), XY(1270, 980));
}

TEST(BoxPlacement, WorkAreaAwayFromTheOrigin)
{
    // Taskbar on the left.
    const PbRect leftBar = Rect(60, 0, 1280, 1024);
    EXPECT_EQ(Place(300, 150, Rect(0, 100, 300, 400), leftBar), XY(60, 175));
    EXPECT_EQ(Place(300, 150, Rect(300, 100, 900, 500), leftBar), XY(450, 225));
    // Taskbar at the top.
    EXPECT_EQ(Place(300, 150, Rect(300, -100, 900, 100), Rect(0, 40, 1280, 1024)), XY(450, 40));
    // A second monitor right of the primary, and one above it.
    const PbRect right = Rect(1280, 0, 2560, 1024);
    EXPECT_EQ(Place(300, 150, Rect(2400, 900, 3000, 1300), right), XY(2260, 874));
    EXPECT_EQ(Place(300, 150, Rect(1000, 100, 1600, 500), right), XY(1280, 225));
    EXPECT_EQ(Place(300, 150, Rect(-100, -1100, 500, -900), Rect(0, -1024, 1280, 0)), XY(50, -1024));
}

TEST(BoxPlacement, ExtremeRectanglesNeitherOverflowNorLeaveTheWorkArea)
{
    const int32_t lo = std::numeric_limits<int32_t>::min();
    const int32_t hi = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(Place(300, 150, Rect(hi - 10, hi - 10, hi, hi)), XY(980, 834));
    EXPECT_EQ(Place(300, 150, Rect(lo, lo, lo + 10, lo + 10)), XY(0, 0));
    EXPECT_EQ(Place(300, 150, Rect(lo, lo, hi, hi)), XY(0, 0));
    EXPECT_EQ(Place(hi, hi, Rect(100, 100, 700, 500)), XY(0, 0));
    // A negative size counts as none; an empty or inverted work area puts
    // the box at its top-left.
    EXPECT_EQ(Place(-300, -150, Rect(100, 100, 700, 500)), XY(400, 300));
    EXPECT_EQ(Place(300, 150, Rect(100, 100, 700, 500), Rect(50, 60, 50, 60)), XY(50, 60));
    EXPECT_EQ(Place(300, 150, Rect(100, 100, 700, 500), Rect(900, 900, 0, 0)), XY(900, 900));
    EXPECT_EQ(Place(300, 150, Rect(lo, lo, hi, hi), Rect(lo, lo, hi, hi)), XY(-150, -75));
}

}  // namespace
