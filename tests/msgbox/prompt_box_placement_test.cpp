// Where a real box lands under wine: over an owner off a screen corner or
// minimized, the whole box lies on the work area (a box off it leaves the
// host disabled behind something nobody can see); over an owner well inside
// the screen it is centred exactly as before.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "box_user.h"
#include "msgbox/prompt_box_params.h"
#include "msgbox/win32/prompt_box.h"

namespace {

using namespace box_user;

std::string Describe(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " to " + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

RECT WorkArea()
{
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

bool Inside(const RECT& box, const RECT& area)
{
    return box.left >= area.left && box.top >= area.top && box.right <= area.right && box.bottom <= area.bottom;
}

// A host window: a captioned popup, which the system neither moves onto the
// screen nor shrinks to it.
class Owner {
public:
    Owner(int x, int y, int width, int height)
        : m_window(
              CreateWindowExA(0, "STATIC", "Owner", kStyle, x, y, width, height, nullptr, nullptr, nullptr, nullptr))
    {
    }
    ~Owner() { DestroyWindow(m_window); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    HWND get() const { return m_window; }

private:
    static constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
    HWND m_window;
};

// Shows a box over owner and returns its window rectangle; the owner's
// rectangle while the box is up goes to around.
RECT ShowOver(HWND owner, RECT* around = nullptr)
{
    RECT box = {};
    RECT ownerRect = {};
    const int result = RunBox(
        [&](HWND dialog) {
            GetWindowRect(dialog, &box);
            GetWindowRect(owner, &ownerRect);
            Click(dialog, IDOK);
        },
        [&] {
            return PromptBox(owner, "The box must stay where it can be answered.", "Placement", MB_OK | PB_NO_BEEP,
                             nullptr);
        });
    EXPECT_EQ(result, IDOK);
    if (around != nullptr)
        *around = ownerRect;
    return box;
}

TEST(PromptBoxPlacement, OwnerWellInsideTheScreenGetsExactCentring)
{
    const RECT work = WorkArea();
    const Owner owner(work.left + 101, work.top + 99, 601, 403);
    RECT around = {};
    const RECT box = ShowOver(owner.get(), &around);
    EXPECT_EQ(box.left, (around.left + around.right) / 2 - (box.right - box.left) / 2) << Describe(box);
    EXPECT_EQ(box.top, (around.top + around.bottom) / 2 - (box.bottom - box.top) / 2) << Describe(box);
}

TEST(PromptBoxPlacement, OwnerOffTheBottomRightCornerKeepsTheBoxOnTheWorkArea)
{
    // Every other corner and edge is the placement's arithmetic alone; this
    // one needs the real sizes of the box, the owner and the work area.
    const RECT work = WorkArea();
    const Owner owner(work.right - 100, work.bottom - 50, 600, 400);
    RECT around = {};
    const RECT box = ShowOver(owner.get(), &around);
    EXPECT_EQ((std::vector<LONG>{around.left, around.top}), (std::vector<LONG>{work.right - 100, work.bottom - 50}))
        << "the owner was moved: " << Describe(around);
    EXPECT_TRUE(Inside(box, work)) << Describe(box) << " not within the work area " << Describe(work);
    // Moved the least distance in: against the edges nearest the owner.
    EXPECT_EQ((std::vector<LONG>{box.right, box.bottom}), (std::vector<LONG>{work.right, work.bottom}))
        << Describe(box);
}

TEST(PromptBoxPlacement, MinimizedOwnerCentresTheBoxOnTheWorkArea)
{
    const RECT work = WorkArea();
    const Owner owner(work.left + 200, work.top + 150, 600, 400);
    ShowWindow(owner.get(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(owner.get()));
    RECT iconic = {};
    const RECT box = ShowOver(owner.get(), &iconic);
    EXPECT_TRUE(Inside(box, work)) << Describe(box) << " not within the work area " << Describe(work)
                                   << "; the minimized owner at " << Describe(iconic);
    EXPECT_EQ(box.left, (work.left + work.right) / 2 - (box.right - box.left) / 2) << Describe(box);
    EXPECT_EQ(box.top, (work.top + work.bottom) / 2 - (box.bottom - box.top) / 2) << Describe(box);
}

}  // namespace
