// UTF-16 to and from the file-API code page.
#include "launcher/base/code_page.h"

#include <windows.h>

#include <cstdlib>

namespace {

UINT fileCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

}  // namespace

bool toFileCodePage(const wchar_t* text, char* out, size_t capacity) {
    if (capacity == 0) return false;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(fileCodePage(), 0, text, -1, out, static_cast<int>(capacity), "?", &usedDefault);
    if (n == 0) {
        out[0] = '\0';
        return false;
    }
    return !usedDefault;
}

bool fromFileCodePage(const char* text, wchar_t* out, size_t capacity) {
    if (capacity == 0) return false;
    int n = MultiByteToWideChar(fileCodePage(), 0, text, -1, out, static_cast<int>(capacity));
    if (n == 0) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

char* newFileCodePageCopy(const wchar_t* text) {
    int bytes = WideCharToMultiByte(fileCodePage(), 0, text, -1, nullptr, 0, "?", nullptr);
    if (bytes <= 0) return nullptr;
    char* copy = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
    if (copy && WideCharToMultiByte(fileCodePage(), 0, text, -1, copy, bytes, "?", nullptr) <= 0) {
        std::free(copy);
        return nullptr;
    }
    return copy;
}
