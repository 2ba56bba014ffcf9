// The two shell32 functions the natives call, bound at run time on first use:
// shell32 is loaded only when a native needs it.
#pragma once
#include <windows.h>

typedef void(WINAPI* ChangeNotifyFunction)(LONG event, UINT flags, LPCVOID item1, LPCVOID item2);
typedef HINSTANCE(WINAPI* ShellExecuteFunction)(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                                LPCWSTR directory, INT show);

struct ShellFunctions {
    ChangeNotifyFunction changeNotify;
    ShellExecuteFunction execute;
};

// Both functions, or false when shell32 or either of them is missing. Once
// both were found, later calls load nothing.
bool shellFunctions(ShellFunctions* out);
