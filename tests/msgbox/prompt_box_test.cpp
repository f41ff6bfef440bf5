// Real message boxes under wine, driven the way a person would: buttons,
// keys, the system menu, the check box, Ctrl+C; the results, the remembered
// answers, the countdowns, the owner and the colours.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "box_user.h"
#include "msgbox/answer_key.h"
#include "msgbox/win32/answer_store.h"
#include "msgbox/win32/prompt_box.h"
#include "msgbox/win32/system_calls.h"

#include "plugin/platform.h"

namespace {

using box_user::Click;
using box_user::ItemText;
using box_user::Text;
using box_user::WaitUntil;

static_assert(std::is_same<decltype(&PromptBox), PFN_ShowPromptBox>::value, "PromptBox is the plug-in's seam");
static_assert(std::is_same<decltype(&PromptBoxForPlugin), PFN_ShowPromptBox>::value, "and so is its alias");

const char kCompany[] = "VtPromptBoxDialogTests";
const std::string kSep = "---------------------------\r\n";

// What the boxes asked of the system outside the dialog.
struct SystemCallLog {
    std::vector<UINT> beeps;
    std::vector<std::string> messageBoxes; // "text|caption|type", "(null)" for null
    std::vector<std::string> helpCalls;    // "file|command|data"
};
SystemCallLog g_log;

std::string OrNull(const char* text)
{
    return text != nullptr ? text : "(null)";
}

int WINAPI RecordMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT type)
{
    g_log.messageBoxes.push_back(OrNull(text) + "|" + OrNull(caption) + "|" + std::to_string(type));
    return 42;
}
BOOL WINAPI RecordBeep(UINT type)
{
    g_log.beeps.push_back(type);
    return TRUE;
}
BOOL WINAPI RecordHelp(HWND, LPCSTR file, UINT command, ULONG_PTR data)
{
    g_log.helpCalls.push_back(OrNull(file) + "|" + std::to_string(command) + "|" + std::to_string(data));
    return TRUE;
}

std::vector<std::string> g_reports;
void RecordReport(const char* message, uint32_t data)
{
    g_reports.push_back(std::string(message) + "|" + std::to_string(data));
}

class PromptBoxDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedCalls = g_promptBoxSystemCalls;
        g_promptBoxSystemCalls = {RecordMessageBox, RecordBeep, RecordHelp};
        g_log = SystemCallLog();
        g_reports.clear();
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + kCompany).c_str());
        std::strcpy(params.registryCompany, kCompany);
    }
    void TearDown() override
    {
        g_promptBoxSystemCalls = m_savedCalls;
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + kCompany).c_str());
    }

    int Show(const std::function<void(HWND)>& user, uint32_t type, const char* text = "Text",
             const char* caption = "Title", void* owner = nullptr)
    {
        return box_user::Run(user, [&] { return PromptBox(owner, text, caption, type, &params); });
    }

    PromptBoxParams params;

private:
    PromptBoxSystemCalls m_savedCalls = {};
};

std::vector<int> ButtonIds(HWND dialog)
{
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = {};
        GetClassNameA(child, className, sizeof(className));
        if (lstrcmpiA(className, "Button") == 0) {
            ids.push_back(GetDlgCtrlID(child));
        }
    }
    return ids;
}

TEST_F(PromptBoxDialog, StandardButtonsReturnTheirIds)
{
    const struct {
        uint32_t type;
        std::vector<int> buttons;
        int click;
    } cases[] = {
        {MB_YESNOCANCEL | PB_ADD_NO_TO_ALL, {IDYES, IDNO, PB_ID_NO_TO_ALL, IDCANCEL}, PB_ID_NO_TO_ALL},
        {MB_ABORTRETRYIGNORE | MB_ICONEXCLAMATION, {IDABORT, IDRETRY, IDIGNORE}, IDRETRY},
        {PB_BTN_SKIP_SKIPALL_CANCEL, {PB_ID_SKIP, PB_ID_SKIP_ALL, IDCANCEL}, PB_ID_SKIP_ALL},
    };
    for (const auto& c : cases) {
        std::vector<int> shown;
        HWND owner = reinterpret_cast<HWND>(1);
        const int result = Show(
            [&](HWND dialog) {
                shown = ButtonIds(dialog);
                owner = GetWindow(dialog, GW_OWNER);
                EXPECT_EQ(Text(dialog), "Title");
                EXPECT_EQ(ItemText(dialog, PB_ID_TEXT), "Text");
                Click(dialog, c.click);
            },
            c.type);
        EXPECT_EQ(result, c.click) << c.type;
        EXPECT_EQ(shown, c.buttons) << c.type;
        EXPECT_EQ(owner, nullptr) << "no active window: no owner";
    }
    EXPECT_EQ(g_log.beeps, (std::vector<UINT>{0, MB_ICONEXCLAMATION, 0}));
}

TEST_F(PromptBoxDialog, CustomButtonsLimitsAndTheCallersRecord)
{
    std::strcpy(params.buttonsText, "UP\nDOWN\nEXIT\nFOUR\nFIVE");
    params.timeoutSecs = 5000;
    params.disabledSecs = 1000000;
    const PromptBoxParams before = params;
    const int result = Show(
        [&](HWND dialog) {
            EXPECT_EQ(ButtonIds(dialog), (std::vector<int>{23, 24, 25, 26}));
            EXPECT_EQ(ItemText(dialog, 26), "FOUR");
            // DOWN is the default; 5000 seconds are cut to 10, and so is the
            // disabled period.
            EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, 24) == "DOWN = 10"; }));
            EXPECT_EQ(Text(dialog), "Title 10");
            EXPECT_TRUE(box_user::IsCloseGrey(dialog));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 25)));
            // The disabled period holds back people, not the program.
            SendMessageA(dialog, WM_COMMAND, 25, 0);
        },
        MB_DEFBUTTON2 | MB_ICONQUESTION);
    EXPECT_EQ(result, 25);
    EXPECT_EQ(std::memcmp(&before, &params, sizeof(params)), 0) << "the caller's record changed";
}

TEST_F(PromptBoxDialog, EscapeAndClose)
{
    const auto escape = [](HWND dialog) { box_user::PressKey(dialog, VK_ESCAPE); };
    const auto close = [](HWND dialog) {
        EXPECT_FALSE(box_user::IsCloseGrey(dialog));
        box_user::ChooseClose(dialog);
    };
    EXPECT_EQ(Show(escape, MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(Show(close, MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(Show(escape, MB_OK), IDOK);
    EXPECT_EQ(Show(close, MB_OK), IDOK);

    // Without Cancel or a lone OK neither ends the box; the check box,
    // ticked afterwards, shows that the keys had been handled.
    const int result = Show(
        [](HWND dialog) {
            EXPECT_TRUE(box_user::IsCloseGrey(dialog));
            box_user::PressKey(dialog, VK_ESCAPE);
            box_user::ChooseClose(dialog);
            PostMessageA(GetDlgItem(dialog, PB_ID_CHECKBOX), BM_SETCHECK, BST_CHECKED, 0);
            EXPECT_TRUE(WaitUntil([&] { return box_user::IsTicked(dialog, PB_ID_CHECKBOX); }));
            EXPECT_TRUE(IsWindowVisible(dialog));
            Click(dialog, IDYES);
        },
        MB_YESNO | PB_CHECK_DONT_ASK);
    EXPECT_EQ(result, 0x01000006);
}

TEST_F(PromptBoxDialog, CheckBoxResultsAndRememberedAnswers)
{
    params.answerKeyText = "apply-to-both";
    params.answerKeyNumber = 3;
    const auto tickAndClick = [](int id) {
        return [id](HWND dialog) {
            Click(dialog, PB_ID_CHECKBOX);
            EXPECT_TRUE(box_user::IsTicked(dialog, PB_ID_CHECKBOX));
            EXPECT_EQ(ItemText(dialog, PB_ID_CHECKBOX), "Don't tell me again");
            Click(dialog, id);
        };
    };
    const uint32_t type = MB_YESNOCANCEL | PB_CHECK_DONT_TELL | PB_CHECK_DONT_SHOW;

    // Cancel with the box ticked: 2, nothing remembered.
    EXPECT_EQ(Show(tickAndClick(IDCANCEL), type), IDCANCEL);
    EXPECT_EQ(LookupStoredAnswer(params), 0);

    // No with the box ticked: remembered with its bit...
    EXPECT_EQ(Show(tickAndClick(IDNO), type), 0x02000007);
    EXPECT_EQ(LookupStoredAnswer(params), 0x02000007);

    // ...and returned next time without a box or a beep.
    g_log.beeps.clear();
    EXPECT_EQ(box_user::RunExpectingNoBox([&] { return PromptBox(nullptr, "Text", "Title", type, &params); }),
              0x02000007);
    EXPECT_TRUE(g_log.beeps.empty());

    // Only asked for with a check-box bit in the type.
    EXPECT_EQ(Show([](HWND dialog) { Click(dialog, IDOK); }, MB_OK), IDOK);

    // A stored value without a check-box bit does not count.
    WriteAnswerValue(kCompany, MakeAnswerValueName("apply-to-both", 3).text, IDYES);
    EXPECT_EQ(Show([](HWND dialog) { Click(dialog, IDNO); }, type), IDNO);
}

TEST_F(PromptBoxDialog, TimeOutCountsDownAndPressesTheDefaultButton)
{
    params.timeoutSecs = 1;
    params.answerKeyText = "timed";
    const int result = Show(
        [](HWND dialog) {
            box_user::Tick(dialog, PB_ID_CHECKBOX); // ticked without a command
            EXPECT_TRUE(WaitUntil([&] { return ItemText(dialog, IDOK) == "OK = 1"; }));
        },
        MB_OK | PB_CHECK_DONT_ASK | PB_NO_BEEP);
    EXPECT_EQ(static_cast<uint32_t>(result), 0x81000001u);
    EXPECT_EQ(static_cast<uint32_t>(LookupStoredAnswer(params)), 0x81000001u);
    EXPECT_TRUE(g_log.beeps.empty());
}

TEST_F(PromptBoxDialog, ClickOnTheBoxStopsTheTimeOut)
{
    params.timeoutSecs = 1;
    const int result = Show(
        [](HWND dialog) {
            const HWND ok = GetDlgItem(dialog, IDOK);
            EXPECT_TRUE(WaitUntil([&] { return Text(ok) == "OK = 1"; }));
            SendMessageA(dialog, WM_LBUTTONDOWN, 0, MAKELPARAM(2, 2));
            EXPECT_EQ(Text(ok), "OK");
            // Longer than the time-out had left.
            Sleep(1500);
            Click(dialog, IDOK);
        },
        MB_OKCANCEL);
    EXPECT_EQ(result, IDOK);
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
            EXPECT_TRUE(box_user::IsCloseGrey(dialog));
            EXPECT_TRUE(WaitUntil([&] { return Text(dialog) == "Wait 1"; }));
            // Escape cannot get round the disabled buttons.
            box_user::PressKey(dialog, VK_ESCAPE);
            EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }));
            EXPECT_EQ(Text(dialog), "Wait");
            EXPECT_FALSE(box_user::IsCloseGrey(dialog));
            Click(dialog, IDOK);
        },
        MB_OKCANCEL | PB_CHECK_DONT_ASK, "Text", "Wait");
    EXPECT_EQ(result, IDOK);
}

TEST_F(PromptBoxDialog, CtrlCCopiesTheWholeBox)
{
    box_user::EmptyTheClipboard();
    std::string copied;
    const int result = Show(
        [&](HWND dialog) {
            box_user::PressCtrlC(dialog);
            copied = box_user::ReadClipboard();
            Click(dialog, IDCANCEL);
        },
        MB_RETRYCANCEL | MB_ICONQUESTION | PB_CHECK_DONT_ASK, "Line one\nLine two", "Copy me");
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(copied, kSep + "Copy me\r\n" + kSep + "Line one\nLine two\r\n" + kSep +
                          "Retry   Cancel   Don't ask me again   \r\n" + kSep);
}

TEST_F(PromptBoxDialog, OwnerIsDisabledWhileTheBoxIsUp)
{
    const HWND owner = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 600, 400,
                                       nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    const int result = Show(
        [&](HWND dialog) {
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
            EXPECT_FALSE(IsWindowEnabled(owner));
            RECT around = {}, box = {};
            GetWindowRect(owner, &around);
            GetWindowRect(dialog, &box);
            EXPECT_NEAR((box.left + box.right) / 2, (around.left + around.right) / 2, 1);
            EXPECT_NEAR((box.top + box.bottom) / 2, (around.top + around.bottom) / 2, 1);
            Click(dialog, IDOK);
        },
        MB_OK, "Text", "Title", owner);
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(IsWindowEnabled(owner));

    // An owner that an outer modal window had disabled stays disabled.
    EnableWindow(owner, FALSE);
    EXPECT_EQ(Show([](HWND dialog) { Click(dialog, IDOK); }, MB_OK, "Text", "Title", owner), IDOK);
    EXPECT_FALSE(IsWindowEnabled(owner));

    // The owner destroyed under the box takes the box with it: the call
    // returns -1 instead of waiting for ever.
    EnableWindow(owner, TRUE);
    EXPECT_EQ(Show([&](HWND) { PostMessageA(owner, WM_CLOSE, 0, 0); }, MB_OK, "Text", "Title", owner), -1);
    EXPECT_FALSE(IsWindow(owner));
}

TEST_F(PromptBoxDialog, BackgroundColourFillsTheMessageArea)
{
    params.backgroundColor = 200; // dark red
    const COLORREF buttonFace = GetSysColor(COLOR_BTNFACE);
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
                return top == 200 && inText == 200 && bottom == buttonFace;
            });
            ReleaseDC(dialog, dc);
            Click(dialog, IDOK);
        },
        MB_OK | MB_ICONHAND, "Unable to detect a VT1165 Voltage Regulator on GPU 2!", "VT1165 Detection Failed");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(top, 200u);
    EXPECT_EQ(inText, 200u);
    EXPECT_EQ(bottom, buttonFace);
}

TEST_F(PromptBoxDialog, HelpAndReportKeepTheBoxOpen)
{
    params.helpContextId = 42;
    params.reportCallback = RecordReport;
    params.reportData = 7;
    const int result = Show(
        [](HWND dialog) {
            EXPECT_EQ(ItemText(dialog, PB_ID_REPORT), "Re&port");
            Click(dialog, PB_ID_HELP);
            Click(dialog, PB_ID_REPORT);
            EXPECT_TRUE(IsWindowVisible(dialog));
            Click(dialog, IDOK);
        },
        MB_OK | MB_HELP, "Report me");
    EXPECT_EQ(result, IDOK);
    char executable[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, executable, MAX_PATH - 1);
    std::string helpFile = executable;
    helpFile = helpFile.substr(0, helpFile.rfind('.')) + ".hlp";
    EXPECT_EQ(g_log.helpCalls, (std::vector<std::string>{helpFile + "|1|42"}));
    EXPECT_EQ(g_reports, (std::vector<std::string>{"Report me|7"}));
}

TEST_F(PromptBoxDialog, SystemModalErrorsGoToTheSystemBox)
{
    // String ids are looked up before the system box sees them; a null
    // caption stays null.
    EXPECT_EQ(PromptBox(nullptr, MAKEINTRESOURCEA(200), nullptr, MB_ICONHAND | MB_SYSTEMMODAL, nullptr), 42);
    EXPECT_EQ(PromptBox(nullptr, "Plain", MAKEINTRESOURCEA(201), MB_ICONEXCLAMATION | MB_SYSTEMMODAL | MB_OKCANCEL,
                        &params),
              42);
    EXPECT_EQ(PromptBox(nullptr, MAKEINTRESOURCEA(999), MAKEINTRESOURCEA(999), MB_ICONHAND | MB_SYSTEMMODAL, nullptr),
              42);
    EXPECT_EQ(g_log.messageBoxes,
              (std::vector<std::string>{"A message from the string table.|(null)|4112",
                                        "Plain|A caption from the string table|4145", "||4112"}));
    EXPECT_TRUE(g_log.beeps.empty());

    // A question stays with the component, system-modal; a null caption
    // reads "Error".
    const int result = box_user::Run(
        [](HWND dialog) {
            EXPECT_EQ(Text(dialog), "Error");
            EXPECT_EQ(ItemText(dialog, PB_ID_TEXT), "A message from the string table.");
            Click(dialog, IDOK);
        },
        [] { return PromptBox(nullptr, MAKEINTRESOURCEA(200), nullptr, MB_ICONQUESTION | MB_SYSTEMMODAL, nullptr); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(g_log.messageBoxes.size(), 3u);
}

TEST_F(PromptBoxDialog, QuitMessageEndsTheBoxAndIsPostedAgain)
{
    const std::string caption(2000, 'c');
    const DWORD thread = GetCurrentThreadId();
    std::string title;
    const int result = box_user::Run(
        [&](HWND dialog) {
            title = Text(dialog);
            PostThreadMessageA(thread, WM_QUIT, 7, 0);
        },
        [&] {
            const int boxResult = PromptBox(nullptr, "Text", caption.c_str(), MB_OK, nullptr);
            MSG quit = {};
            EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
            EXPECT_EQ(quit.wParam, 7u);
            return boxResult;
        });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(title, std::string(1023, 'c'));
}

} // namespace
