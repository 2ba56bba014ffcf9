// Test tools only: command-line, text and JSON helpers shared by the small
// Windows programs under tests/tools.
//
// Arguments are taken from the UTF-16 command line. Non-ASCII text does not
// survive the trip from a Linux test through wine64's argv conversion in every
// locale, so callers write such characters (and backslashes, to stay
// unambiguous) as \uXXXX escapes, which decodeEscapes turns back into UTF-16.
// A backslash not followed by "u" and four hex digits stays as it is, so
// Windows paths typed by hand keep working.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

inline std::vector<std::wstring> commandLineArgs() {
    std::vector<std::wstring> args;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 0; i < count; ++i) args.push_back(argv[i]);
    LocalFree(argv);
    return args;
}

inline std::wstring decodeEscapes(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, L"\\u") == 0 && i + 6 <= text.size() &&
            text.find_first_not_of(L"0123456789abcdefABCDEF", i + 2) >= i + 6) {
            out += static_cast<wchar_t>(std::wcstol(text.substr(i + 2, 4).c_str(), nullptr, 16));
            i += 5;
        } else {
            out += text[i];
        }
    }
    return out;
}

inline std::string toUtf8(const std::wstring& text) {
    int length = static_cast<int>(text.size());
    std::string out(WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

// Text as a JSON string: quotes, backslashes and control characters as \uXXXX escapes.
inline std::string json(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char c : toUtf8(text)) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c == '"' || c == '\\' || c < 0x20 ? "\\u%04x" : "%c", c);
        out += escaped;
    }
    return out + "\"";
}

// Parses a whole decimal number, optionally negative; false for anything else.
inline bool parseNumber(const std::wstring& text, long long& value) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of(L"-0123456789") != std::wstring::npos) return false;
    wchar_t* end = nullptr;
    value = std::wcstoll(text.c_str(), &end, 10);
    return *end == L'\0';
}
