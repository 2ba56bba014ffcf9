// Prefix and suffix tests on NUL-terminated texts, case-sensitive, as the
// launcher's switches, modes, option prefixes and archive names are.
#pragma once
#include <cstring>
#include <cwchar>

inline bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

inline bool startsWith(const wchar_t* text, const wchar_t* prefix) {
    return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

inline bool endsWith(const char* text, const char* suffix) {
    size_t n = std::strlen(text);
    size_t m = std::strlen(suffix);
    return n >= m && std::strcmp(text + n - m, suffix) == 0;
}
