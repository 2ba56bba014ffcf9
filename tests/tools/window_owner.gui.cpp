// window_owner: a test tool. A GUI program with one top-level window, whose
// process the Misc natives find, name and close from the Java side.
//
//   window_owner closes TITLE    visible window; WM_CLOSE ends the program
//   window_owner ignores TITLE   visible window that ignores WM_CLOSE
//   window_owner hidden TITLE    a hidden window only
//
// It ends by itself after ten minutes, so a failed test leaves nothing behind.
#include <windows.h>

#include <string>

#include "tests/tools/tool_args.h"

namespace {

const UINT_PTR kLifetimeTimer = 1;
const UINT kLifetime = 600000;
bool g_ignoreClose = false;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            if (g_ignoreClose) return 0;
            [[fallthrough]];
        case WM_TIMER: DestroyWindow(window); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::vector<std::wstring> args = commandLineArgs();
    if (args.size() != 3) return 2;
    const std::wstring& mode = args[1];
    g_ignoreClose = mode == L"ignores";
    WNDCLASSW type = {};
    type.lpfnWndProc = windowProc;
    type.hInstance = instance;
    type.lpszClassName = L"TlxWindowOwner";
    RegisterClassW(&type);
    HWND window = CreateWindowW(L"TlxWindowOwner", decodeEscapes(args[2]).c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 200,
                                100, nullptr, nullptr, instance, nullptr);
    if (!window) return 3;
    if (mode != L"hidden") ShowWindow(window, SW_SHOWNORMAL);
    SetTimer(window, kLifetimeTimer, kLifetime, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
