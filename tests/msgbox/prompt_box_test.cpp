// Real message boxes under wine, driven as a person would: buttons, keys,
// the system menu, the check box, Ctrl+C.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "box_user.h"
#include "msgbox/answer_key.h"
#include "msgbox/win32/answer_store.h"
#include "msgbox/win32/prompt_box.h"
#include "msgbox/win32/system_calls.h"
#include "plugin/platform.h"

namespace {

using namespace box_user;

static_assert(std::is_same<decltype(&PromptBox), PFN_ShowPromptBox>::value, "the plug-in's seam");

const char kCompany[] = "VtPromptBoxDialogTests";
const std::string kSep = "---------------------------\r\n";

// What the boxes asked of the system outside the dialog, and the keyboard.
std::vector<std::string> g_calls;
bool g_ctrlDown = false;

std::string OrNull(const char* text)
{
    return text != nullptr ? text : "(null)";
}
int WINAPI RecordMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    g_calls.push_back("box " + OrNull(text) + "|" + OrNull(caption) + "|" + std::to_string(type));
    return 42;
}
BOOL WINAPI RecordBeep(UINT type)
{
    g_calls.push_back("beep " + std::to_string(type));
    return TRUE;
}
BOOL WINAPI RecordHelp(HWND, LPCSTR file, UINT command, ULONG_PTR data)
{
    g_calls.push_back("help " + OrNull(file) + "|" + std::to_string(command) + "|" + std::to_string(data));
    return TRUE;
}
SHORT WINAPI ReadKeyboard(int key)
{
    return key == VK_CONTROL && g_ctrlDown ? static_cast<SHORT>(0x8000) : 0;
}
void RecordReport(const char* message, uint32_t data)
{
    g_calls.push_back("report " + std::string(message) + "|" + std::to_string(data));
}

class PromptBoxDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_promptBoxSystemCalls;
        g_promptBoxSystemCalls = {RecordMessageBox, RecordBeep, RecordHelp, ReadKeyboard};
        g_calls.clear();
        g_ctrlDown = false;
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + kCompany).c_str());
        std::strcpy(params.registryCompany, kCompany);
    }
    void TearDown() override
    {
        g_promptBoxSystemCalls = m_saved;
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + kCompany).c_str());
    }
    int Show(const std::function<void(HWND)>& user, uint32_t type, const char* text = "Text",
             const char* caption = "Title", HWND owner = nullptr)
    {
        return RunBox(user, [&] { return PromptBox(owner, text, caption, type, &params); });
    }
    static std::function<void(HWND)> Clicks(int id)
    {
        return [id](HWND dialog) { Click(dialog, id); };
    }

    PromptBoxParams params;

private:
    PromptBoxSystemCalls m_saved = {};
};

TEST_F(PromptBoxDialog, StandardAndCustomButtons)
{
    const int yesNo = Show(
        [](HWND dialog) {
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr) << "no active window: no owner";
            EXPECT_EQ(Text(dialog) + "|" + ItemText(dialog, PB_ID_TEXT), "Title|Text");
            Click(dialog, PB_ID_NO_TO_ALL);
        },
        MB_YESNOCANCEL | PB_ADD_NO_TO_ALL | MB_ICONEXCLAMATION);
    EXPECT_EQ(yesNo, PB_ID_NO_TO_ALL);
    EXPECT_EQ(Show(Clicks(PB_ID_SKIP_ALL), PB_BTN_SKIP_SKIPALL_CANCEL), PB_ID_SKIP_ALL);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"beep 48", "beep 0"}));

    // Periods of 1000 seconds and more become 10; the caller's record stays
    // as it was.
    std::strcpy(params.buttonsText, "UP\nDOWN\nEXIT");
    params.timeoutSecs = 5000;
    params.disabledSecs = 1000000;
    const PromptBoxParams before = params;
    const int custom = Show(
        [](HWND dialog) {
            EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, 24) == "DOWN = 10"; }));  // the default
            EXPECT_EQ(Text(dialog), "Title 10");
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 25)));
            SendMessageA(dialog, WM_COMMAND, 25, 0);  // the program, not a person
        },
        MB_DEFBUTTON2 | MB_ICONQUESTION);
    EXPECT_EQ(custom, 25);
    EXPECT_EQ(std::memcmp(&before, &params, sizeof(params)), 0) << "the caller's record changed";
}

TEST_F(PromptBoxDialog, EscapeAndClose)
{
    const auto escape = [](HWND dialog) { PressKey(dialog, VK_ESCAPE); };
    const auto close = [](HWND dialog) {
        EXPECT_FALSE(IsCloseGrey(dialog));
        ChooseClose(dialog);
    };
    // Both reach the box as Cancel: once with Cancel in the set, once with
    // a lone OK.
    EXPECT_EQ(Show(escape, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(Show(close, MB_OK), IDOK);

    // Without Cancel or a lone OK neither ends the box; the check box,
    // ticked afterwards, shows that both had been handled.
    const int result = Show(
        [](HWND dialog) {
            EXPECT_TRUE(IsCloseGrey(dialog));
            PressKey(dialog, VK_ESCAPE);
            ChooseClose(dialog);
            PostMessageA(GetDlgItem(dialog, PB_ID_CHECKBOX), BM_SETCHECK, BST_CHECKED, 0);
            EXPECT_TRUE(WaitUntil([&] { return IsTicked(dialog, PB_ID_CHECKBOX); }));
            Click(dialog, IDYES);
        },
        MB_YESNO | PB_CHECK_DONT_ASK);
    EXPECT_EQ(result, 0x01000006);
}

TEST_F(PromptBoxDialog, CheckBoxAndRememberedAnswers)
{
    params.answerKeyText = "apply-to-both";
    params.answerKeyNumber = 3;
    const auto tickAnd = [](int id) {
        return [id](HWND dialog) {
            Click(dialog, PB_ID_CHECKBOX);
            Click(dialog, id);
        };
    };
    const uint32_t type = MB_YESNOCANCEL | PB_CHECK_DONT_TELL | PB_CHECK_DONT_SHOW;
    EXPECT_EQ(Show(tickAnd(IDCANCEL), type), IDCANCEL);
    EXPECT_EQ(LookupStoredAnswer(params), 0) << "Cancel stores nothing";
    EXPECT_EQ(Show(tickAnd(IDNO), type), 0x02000007);
    EXPECT_EQ(LookupStoredAnswer(params), 0x02000007);

    // Returned next time without a box or a beep...
    g_calls.clear();
    EXPECT_EQ(RunBox(nullptr, [&] { return PromptBox(nullptr, "Text", "Title", type, &params); }), 0x02000007);
    EXPECT_TRUE(g_calls.empty());
    // ...but only asked for with a check-box bit in the type, and only
    // taken when it has one itself.
    EXPECT_EQ(Show(Clicks(IDOK), MB_OK), IDOK);
    WriteAnswerValue(kCompany, MakeAnswerValueName("apply-to-both", 3).text, IDYES);
    EXPECT_EQ(Show(Clicks(IDNO), type), IDNO);
}

TEST_F(PromptBoxDialog, TimeOutAndWhatStopsIt)
{
    params.timeoutSecs = 1;
    params.answerKeyText = "timed";
    const int timedOut = Show(
        [](HWND dialog) {
            SendDlgItemMessageA(dialog, PB_ID_CHECKBOX, BM_SETCHECK, BST_CHECKED, 0);  // no command
            EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDOK) == "OK = 1"; }));
        },
        MB_OK | PB_CHECK_DONT_ASK | PB_NO_BEEP);
    EXPECT_EQ(static_cast<uint32_t>(timedOut), 0x81000001u);
    EXPECT_EQ(static_cast<uint32_t>(LookupStoredAnswer(params)), 0x81000001u);
    EXPECT_TRUE(g_calls.empty()) << "PB_NO_BEEP";

    // A click on the box, in its client area or on its title bar, and any
    // command (here the check box) stop the time-out for good: the default
    // button gets its caption back and keeps it past the next tick.
    params.timeoutSecs = 3;
    params.answerKeyText = nullptr;
    const auto clickInside = [](HWND dialog) { SendMessageA(dialog, WM_LBUTTONDOWN, 0, MAKELPARAM(2, 2)); };
    const auto clickTitleBar = [](HWND dialog) {
        RECT frame = {};
        GetWindowRect(dialog, &frame);
        PostMessageA(dialog, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(frame.left + 30, frame.top + 8));
        PostMessageA(dialog, WM_LBUTTONUP, 0, 0);  // ends the move the title bar starts
    };
    const auto tick = [](HWND dialog) { Click(dialog, PB_ID_CHECKBOX); };
    const struct {
        const char* what;
        std::function<void(HWND)> stop;
        int result;
    } stoppers[] = {
        {"client click", clickInside, IDOK}, {"title-bar click", clickTitleBar, IDOK}, {"check box", tick, 0x01000001}};
    for (const auto& stopper : stoppers) {
        SCOPED_TRACE(stopper.what);
        const int result = Show(
            [&](HWND dialog) {
                EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDOK) == "OK = 3"; }));
                stopper.stop(dialog);
                EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDOK) == "OK"; }));
                Sleep(1500);  // a running countdown would show "OK = 2" by now
                EXPECT_EQ(ItemText(dialog, IDOK), "OK");
                Click(dialog, IDOK);
            },
            MB_OKCANCEL | PB_CHECK_DONT_ASK | PB_NO_BEEP);
        EXPECT_EQ(result, stopper.result);
    }
}

TEST_F(PromptBoxDialog, DisabledPeriodCountsDownInTheTitle)
{
    params.disabledSecs = 1;
    const int result = Show(
        [](HWND dialog) {
            const HWND ok = GetDlgItem(dialog, IDOK);
            EXPECT_FALSE(IsWindowEnabled(ok));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, PB_ID_CHECKBOX)));
            EXPECT_TRUE(IsCloseGrey(dialog));
            EXPECT_TRUE(WaitUntil([&] { return Text(dialog) == "Wait 1"; }));
            PressKey(dialog, VK_ESCAPE);  // cannot get round the disabled buttons
            EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }));
            EXPECT_EQ(Text(dialog), "Wait");
            EXPECT_FALSE(IsCloseGrey(dialog));
            Click(dialog, IDOK);
        },
        MB_OKCANCEL | PB_CHECK_DONT_ASK, "Text", "Wait");
    EXPECT_EQ(result, IDOK);
}

TEST_F(PromptBoxDialog, CtrlCCopiesTheWholeBox)
{
    const HWND other = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    EmptyTheClipboard();
    // Watched without opening the clipboard, which would keep the box from
    // copying.
    const auto copied = [] {
        WaitUntil([] { return IsClipboardFormatAvailable(CF_TEXT) != FALSE; });
        const std::string text = ReadClipboard();
        EmptyTheClipboard();
        return text;
    };
    std::vector<std::string> copies;
    const int result = Show(
        [&](HWND dialog) {
            // 'C' alone copies nothing; the check box, ticked afterwards,
            // shows that the key had been handled.
            PressKey(dialog, 'C');
            PostMessageA(GetDlgItem(dialog, PB_ID_CHECKBOX), BM_SETCHECK, BST_CHECKED, 0);
            EXPECT_TRUE(WaitUntil([&] { return IsTicked(dialog, PB_ID_CHECKBOX); }));
            EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
            g_ctrlDown = true;
            PressKey(dialog, 'C');
            copies.push_back(copied());
            PressKey(other, 'C');  // another window of the thread: still the box
            copies.push_back(copied());
            g_ctrlDown = false;
            Click(dialog, IDCANCEL);
        },
        MB_RETRYCANCEL | MB_ICONQUESTION | PB_CHECK_DONT_ASK, "Line one\nLine two", "Copy me");
    DestroyWindow(other);
    EXPECT_EQ(result, IDCANCEL);
    const std::string box = kSep + "Copy me\r\n" + kSep + "Line one\nLine two\r\n" + kSep +
                            "Retry   Cancel   Don't ask me again   \r\n" + kSep;
    EXPECT_EQ(copies, (std::vector<std::string>{box, box}));
}

bool IsTopmost(HWND window)
{
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

TEST_F(PromptBoxDialog, OwnerPlacementAndTopmost)
{
    const HWND owner = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 600, 400,
                                       nullptr, nullptr, nullptr, nullptr);
    const int result = Show(
        [&](HWND dialog) {
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
            EXPECT_FALSE(IsTopmost(dialog));
            // Disabled once the dialog exists, which may be just after it shows.
            EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(owner); }));
            Click(dialog, IDOK);
        },
        MB_OK, "Text", "Title", owner);
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(IsWindowEnabled(owner));

    // An explicit position wins over centring on the owner; one coordinate
    // other than 0 is enough.  MB_TOPMOST puts the box above other windows.
    params.posX = 0;
    params.posY = 77;
    RECT placed = {};
    bool topmost = false;
    EXPECT_EQ(Show(
                  [&](HWND dialog) {
                      GetWindowRect(dialog, &placed);
                      topmost = IsTopmost(dialog);
                      Click(dialog, IDOK);
                  },
                  MB_OK | MB_TOPMOST, "Text", "Title", owner),
              IDOK);
    EXPECT_EQ((std::vector<LONG>{placed.left, placed.top}), (std::vector<LONG>{0, 77}));
    EXPECT_TRUE(topmost);
    params.posX = params.posY = 0;

    // An owner that an outer modal window had disabled stays disabled.
    EnableWindow(owner, FALSE);
    EXPECT_EQ(Show(Clicks(IDOK), MB_OK, "Text", "Title", owner), IDOK);
    EXPECT_FALSE(IsWindowEnabled(owner));

    // The owner destroyed under the box takes the box with it: -1, at once.
    EnableWindow(owner, TRUE);
    EXPECT_EQ(Show([&](HWND) { PostMessageA(owner, WM_CLOSE, 0, 0); }, MB_OK, "Text", "Title", owner), -1);
    EXPECT_FALSE(IsWindow(owner));
}

TEST_F(PromptBoxDialog, BackgroundColourFillsTheMessageArea)
{
    params.backgroundColor = 200;  // dark red
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF top = 0, inText = 0, bottom = 0;
    const int result = Show(
        [&](HWND dialog) {
            RECT client = {}, text = {};
            GetClientRect(dialog, &client);
            GetWindowRect(GetDlgItem(dialog, PB_ID_TEXT), &text);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&text), 2);
            const HDC dc = GetDC(dialog);
            WaitUntil([&] {
                top = GetPixel(dc, 2, 2);
                inText = GetPixel(dc, text.right - 2, text.bottom - 2);
                bottom = GetPixel(dc, 2, client.bottom - 3);
                return top == 200 && inText == 200 && bottom == face;
            });
            ReleaseDC(dialog, dc);
            Click(dialog, IDOK);
        },
        MB_OK | MB_ICONHAND, "Unable to detect a VT1165 Voltage Regulator on GPU 2!", "VT1165 Detection Failed");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ((std::vector<COLORREF>{top, inText, bottom}), (std::vector<COLORREF>{200, 200, face}));

    // The colours the message text is drawn in, asked of the box as the text
    // control asks: on the background colour, in the caller's text colour
    // or else the system's window-text colour, with the background brush.
    const auto messageColours = [this](uint32_t textColor) {
        params.textColor = textColor;
        std::vector<COLORREF> colours;
        Show(
            [&](HWND dialog) {
                const HDC probe = CreateCompatibleDC(nullptr);
                SetTextColor(probe, RGB(1, 2, 3));
                SetBkColor(probe, RGB(4, 5, 6));
                const auto brush =
                    reinterpret_cast<HBRUSH>(SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(probe),
                                                          reinterpret_cast<LPARAM>(GetDlgItem(dialog, PB_ID_TEXT))));
                LOGBRUSH fill = {};
                GetObjectA(brush, sizeof(fill), &fill);
                colours = {GetTextColor(probe), GetBkColor(probe), fill.lbColor};
                DeleteDC(probe);
                Click(dialog, IDOK);
            },
            MB_OK | PB_NO_BEEP);
        return colours;
    };
    EXPECT_EQ(messageColours(RGB(0, 160, 0)), (std::vector<COLORREF>{RGB(0, 160, 0), 200, 200}));
    EXPECT_EQ(messageColours(0xFFFFFFFFu), (std::vector<COLORREF>{GetSysColor(COLOR_WINDOWTEXT), 200, 200}));
}

TEST_F(PromptBoxDialog, HelpReportHandOffAndQuit)
{
    params.helpContextId = 42;
    params.reportCallback = RecordReport;
    params.reportData = 7;
    const auto helpAndReport = [](HWND dialog) {
        Click(dialog, PB_ID_HELP);
        Click(dialog, PB_ID_REPORT);
        Click(dialog, IDOK);
    };
    EXPECT_EQ(Show(helpAndReport, MB_OK | MB_HELP | PB_NO_BEEP, "Report me"), IDOK);
    char executable[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, executable, MAX_PATH - 1);
    const std::string path = executable;
    EXPECT_EQ(g_calls, (std::vector<std::string>{"help " + path.substr(0, path.rfind('.')) + ".hlp|1|42",
                                                 "report Report me|7"}));

    // System-modal errors go to the system box, string ids looked up; a
    // null caption stays null there, and reads "Error" in a box of ours.
    g_calls.clear();
    EXPECT_EQ(PromptBox(nullptr, MAKEINTRESOURCEA(200), nullptr, MB_ICONHAND | MB_SYSTEMMODAL, nullptr), 42);
    EXPECT_EQ(PromptBox(nullptr, "Plain", MAKEINTRESOURCEA(201), MB_ICONEXCLAMATION | MB_SYSTEMMODAL, nullptr), 42);
    EXPECT_EQ(PromptBox(nullptr, MAKEINTRESOURCEA(999), MAKEINTRESOURCEA(999), MB_ICONHAND | MB_SYSTEMMODAL, nullptr),
              42);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"box A message from the string table.|(null)|4112",
                                                 "box Plain|A caption from the string table|4144", "box ||4112"}));
    const int question = Show(
        [](HWND dialog) {
            EXPECT_EQ(Text(dialog) + "|" + ItemText(dialog, PB_ID_TEXT), "Error|A message from the string table.");
            Click(dialog, IDOK);
        },
        MB_ICONQUESTION | MB_SYSTEMMODAL | PB_NO_BEEP, MAKEINTRESOURCEA(200), nullptr);
    EXPECT_EQ(question, IDOK);

    // A quit message ends the box with -1 and is posted again.
    WPARAM quitCode = 0;
    const int quit =
        RunBox([](HWND dialog) { PostThreadMessageA(GetWindowThreadProcessId(dialog, nullptr), WM_QUIT, 7, 0); },
               [&] {
                   const int boxResult = PromptBox(nullptr, "Text", "Title", MB_OK | PB_NO_BEEP, nullptr);
                   MSG message = {};
                   if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
                       quitCode = message.wParam;
                   return boxResult;
               });
    EXPECT_EQ(quit, -1);
    EXPECT_EQ(quitCode, 7u);
}

}  // namespace
