// Fetching a runtime archive over HTTP with WinINet, loaded at run time.
#pragma once
#include <windows.h>

// Downloads address into "jre.tar.gz" in the current directory, with up to
// three attempts, showing progress in the dialog (or none). Returns only on
// success; otherwise the process ends with message 20002 or 20003.
void downloadJre(HWND dialog, const wchar_t* address);
