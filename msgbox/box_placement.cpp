#include "msgbox/box_placement.h"

namespace {

// 64 bits inside, so that no rectangle a caller hands in can overflow.
int64_t Centred(int64_t low, int64_t high, int64_t size)
{
    return (low + high) / 2 - size / 2;
}

// The least move that puts [start, start + size) inside [low, high); when
// it cannot fit, it starts at low.  The result lies in [low, high] (low
// for an empty or inverted area), so it fits 32 bits.
int32_t KeptInside(int64_t start, int64_t size, int32_t low, int32_t high)
{
    if (start + size > high)
        start = static_cast<int64_t>(high) - size;
    if (start < low)
        start = low;
    return static_cast<int32_t>(start);
}

}  // namespace

PbPoint PbPlaceBox(const PbBoxPlacement& placement)
{
    if (placement.requested.x != 0 || placement.requested.y != 0)
        return placement.requested;
    const int64_t width = placement.box.cx > 0 ? placement.box.cx : 0;
    const int64_t height = placement.box.cy > 0 ? placement.box.cy : 0;
    const PbRect& work = placement.workArea;
    const PbRect& around = placement.ownerMinimized ? work : placement.owner;
    return PbPoint{KeptInside(Centred(around.left, around.right, width), width, work.left, work.right),
                   KeptInside(Centred(around.top, around.bottom, height), height, work.top, work.bottom)};
}
