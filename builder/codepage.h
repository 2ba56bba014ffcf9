// Text conversions of the build tool: UTF-8 (project files, terminal, JSON)
// to and from the launcher's 8-bit settings code page and UTF-16 messages.
#pragma once
#include <string>

namespace codepage {

constexpr int kWindows1252 = 1252;
constexpr int kUtf8 = 65001;

bool isSupported(int codePage);

// UTF-8 to the 8-bit code page; false with the first code point that the
// code page cannot represent (or U+FFFD for malformed UTF-8).
bool narrowFromUtf8(const std::string& utf8, int codePage, std::string* out, char32_t* bad);

// 8-bit text of the code page to UTF-16; never fails (malformed UTF-8 bytes
// become U+FFFD, as the system conversion does).
std::u16string narrowToUtf16(const std::string& bytes, int codePage);

// UTF-8 to UTF-16; false on malformed UTF-8.
bool utf16FromUtf8(const std::string& utf8, std::u16string* out);

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const std::u16string& text);

}  // namespace codepage
