// Case conversion through LCMapString; see letter_case.h.
#include "launcher/base/letter_case.h"

#include <windows.h>

namespace {

void mapCase(DWORD mapping, wchar_t* text, size_t length) {
    if (length > 0)
        LCMapStringW(LOCALE_USER_DEFAULT, mapping, text, static_cast<int>(length), text, static_cast<int>(length));
}

}  // namespace

void toLowerCase(wchar_t* text, size_t length) { mapCase(LCMAP_LOWERCASE, text, length); }

void toUpperCase(wchar_t* text, size_t length) { mapCase(LCMAP_UPPERCASE, text, length); }

void toUpperCase(char* text, size_t length) {
    int units = length > 0 ? MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0) : 0;
    if (units <= 0) return;
    wchar_t small[256];
    wchar_t* wide =
        units <= 256 ? small : static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, units * sizeof(wchar_t)));
    if (!wide) return;
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide, units);
    toUpperCase(wide, static_cast<size_t>(units));
    if (WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr) == static_cast<int>(length))
        WideCharToMultiByte(CP_ACP, 0, wide, units, text, static_cast<int>(length), nullptr, nullptr);
    if (wide != small) HeapFree(GetProcessHeap(), 0, wide);
}
