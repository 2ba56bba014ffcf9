// UTF-16 to and from the file-API code page.
#include "launcher/base/code_page.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

// The number, not CP_ACP or CP_OEMCP: whether a default character may be
// passed depends on which code page that is.
UINT fileCodePage() { return AreFileApisANSI() ? GetACP() : GetOEMCP(); }

}  // namespace

const char* defaultCharFor(UINT codePage) {
    if (codePage == CP_ACP) codePage = GetACP();
    if (codePage == CP_OEMCP) codePage = GetOEMCP();
    return codePage == CP_UTF8 || codePage == CP_UTF7 ? nullptr : "?";
}

bool toCodePage(UINT codePage, const wchar_t* text, char* out, size_t capacity) {
    if (capacity == 0) return false;
    const char* defaultChar = defaultCharFor(codePage);
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(codePage, 0, text, -1, out, static_cast<int>(capacity), defaultChar,
                                defaultChar ? &usedDefault : nullptr);
    if (n == 0) {
        out[0] = '\0';
        return false;
    }
    return !usedDefault;
}

bool toFileCodePage(const wchar_t* text, char* out, size_t capacity) {
    return toCodePage(fileCodePage(), text, out, capacity);
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

char* newCodePageCopy(UINT codePage, const wchar_t* text) {
    const char* defaultChar = defaultCharFor(codePage);
    int bytes = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, defaultChar, nullptr);
    if (bytes <= 0) return nullptr;
    char* copy = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
    if (copy && WideCharToMultiByte(codePage, 0, text, -1, copy, bytes, defaultChar, nullptr) <= 0) {
        std::free(copy);
        return nullptr;
    }
    return copy;
}

char* newFileCodePageCopy(const wchar_t* text) { return newCodePageCopy(fileCodePage(), text); }

std::wstring widenFileCodePage(const std::string& text) {
    if (text.empty()) return std::wstring();
    int length = static_cast<int>(text.size());
    int units = MultiByteToWideChar(fileCodePage(), 0, text.data(), length, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(fileCodePage(), 0, text.data(), length, &wide[0], units);
    return wide;
}

void widenFileCodePage(const char* text, wchar_t* out, size_t capacity) {
    if (capacity == 0) return;
    std::wstring wide = widenFileCodePage(std::string(text));
    size_t length = wide.size() < capacity - 1 ? wide.size() : capacity - 1;
    // Never half a surrogate pair at the cut.
    if (length < wide.size() && length > 0 && wide[length - 1] >= 0xD800 && wide[length - 1] <= 0xDBFF) --length;
    wide.copy(out, length);
    out[length] = L'\0';
}
