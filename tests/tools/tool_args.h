// Test tools only: command-line and text helpers shared by the small Windows
// programs under tests/tools.
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

inline int hexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

inline std::wstring decodeEscapes(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 5 < text.size() && text[i + 1] == L'u') {
            int value = 0;
            bool hex = true;
            for (size_t k = 2; k < 6; ++k) {
                int digit = hexDigit(text[i + k]);
                if (digit < 0) { hex = false; break; }
                value = value * 16 + digit;
            }
            if (hex) {
                out += static_cast<wchar_t>(value);
                i += 5;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

inline std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                            &out[0], size, nullptr, nullptr);
    }
    return out;
}

// Parses a whole decimal number, optionally negative; false for anything else.
inline bool parseNumber(const std::wstring& text, long long& value) {
    if (text.empty() || text.size() > 18) return false;
    long long result = 0;
    size_t i = 0;
    bool negative = text[0] == L'-';
    if (negative) i = 1;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        result = result * 10 + (text[i] - L'0');
    }
    value = negative ? -result : result;
    return true;
}
