// The "MyDialogClass" class: its attributes, and that a dialog naming it in
// its template is created with it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "launcher/progress_dialog.h"

namespace {

INT_PTR CALLBACK quietProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A minimal template: no controls, class "MyDialogClass".
std::vector<WORD> dialogTemplate() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    DLGTEMPLATE* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = WS_POPUP | WS_CAPTION;
    header->cx = 100;
    header->cy = 50;
    words.push_back(0);  // no menu
    for (const wchar_t* c = L"MyDialogClass"; *c; ++c) words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    words.push_back(0);  // no title
    return words;
}

TEST(DialogClass, IsRegisteredWithTheDialogAttributes) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    registerDialogClass(instance);
    WNDCLASSEXW info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetClassInfoExW(instance, L"MyDialogClass", &info));
    EXPECT_EQ(info.style, 0x2808u);
    EXPECT_EQ(info.cbWndExtra, DLGWINDOWEXTRA);
    EXPECT_EQ(reinterpret_cast<void*>(info.lpfnWndProc), reinterpret_cast<void*>(DefDlgProcW));
    EXPECT_EQ(info.hbrBackground, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    EXPECT_NE(info.hCursor, nullptr);
    // Registering twice is harmless.
    registerDialogClass(instance);
}

TEST(DialogClass, ADialogNamingTheClassIsCreatedWithIt) {
    if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) GTEST_SKIP() << "needs an X display";
    HINSTANCE instance = GetModuleHandleW(nullptr);
    registerDialogClass(instance);
    std::vector<WORD> words = dialogTemplate();
    HWND dialog = CreateDialogIndirectParamW(instance, reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr,
                                             quietProc, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();
    wchar_t name[64];
    GetClassNameW(dialog, name, 64);
    EXPECT_STREQ(name, L"MyDialogClass");
    DestroyWindow(dialog);
}

}  // namespace
