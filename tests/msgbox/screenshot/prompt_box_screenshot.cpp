// Shows the plug-in's three message boxes one after another and saves a
// picture of each, frame included, as PNG files in the folder given on the
// command line (default: the current folder).
//
//     prompt_box_screenshot.exe docs/images
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "msgbox/win32/prompt_box.h"
#include "png_writer.h"
#include "tests/msgbox/sample_boxes.h"

namespace {

BOOL CALLBACK FindDialog(HWND window, LPARAM found)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialog(DWORD thread)
{
    for (int i = 0; i < 2000; ++i) {
        HWND found = nullptr;
        EnumThreadWindows(thread, FindDialog, reinterpret_cast<LPARAM>(&found));
        if (found != nullptr)
            return found;
        Sleep(5);
    }
    return nullptr;
}

// The window as it is on screen, frame included, as RGB rows.
bool Capture(HWND window, const std::string& path)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC windowDc = GetWindowDC(window);
    const HDC memoryDc = CreateCompatibleDC(windowDc);
    const HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (memoryDc != nullptr && bitmap != nullptr) {
        const HGDIOBJ previous = SelectObject(memoryDc, bitmap);
        BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
        const uint8_t* bgra = static_cast<const uint8_t*>(bits);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            rgb[i * 3] = bgra[i * 4 + 2];
            rgb[i * 3 + 1] = bgra[i * 4 + 1];
            rgb[i * 3 + 2] = bgra[i * 4];
        }
        SelectObject(memoryDc, previous);
        saved = WritePng(path, width, height, rgb);
    }
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    if (memoryDc != nullptr)
        DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return saved;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? std::string(argv[1]) + "\\" : std::string();
    int failures = 0;
    for (const SampleBox& shot : SampleBoxes()) {
        PromptBoxParams params;
        params.backgroundColor = shot.box->backgroundColor;
        std::snprintf(params.buttonsText, sizeof params.buttonsText, "%s", shot.box->buttons);
        const std::string path = folder + shot.file;

        const DWORD thread = GetCurrentThreadId();
        std::atomic<bool> saved{false};
        std::thread photographer([&] {
            const HWND dialog = WaitForDialog(thread);
            if (dialog != nullptr) {
                // Let the box finish painting before the picture.
                SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_BLOCK, 5000, nullptr);
                RedrawWindow(dialog, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
                Sleep(300);
                saved = Capture(dialog, path);
            }
            PostThreadMessageA(thread, WM_QUIT, 0, 0);
        });
        PromptBox(nullptr, shot.text.c_str(), shot.box->caption, shot.box->type | PB_NO_BEEP, &params);
        photographer.join();
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);

        std::printf("%s: %s\n", path.c_str(), saved ? "saved" : "FAILED");
        failures += saved ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
