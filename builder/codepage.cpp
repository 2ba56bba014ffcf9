// Code page 1252 and UTF-8/UTF-16 conversions, without the host's locale, so
// that a build is the same on every machine.
#include "builder/codepage.h"

#include <cstdint>

namespace codepage {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Code page 1252 bytes 0x80 to 0x9F; the five unassigned bytes map to the C1
// control of the same value, as the system's conversion tables do.
constexpr char16_t k1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t from1252(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? k1252High[byte - 0x80] : byte; }

bool to1252(char32_t cp, char* out) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        *out = static_cast<char>(cp);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (k1252High[i] == cp) {
            *out = static_cast<char>(0x80 + i);
            return true;
        }
    }
    return false;
}

// Decodes one UTF-8 sequence at text[*pos] into *cp. Anything malformed,
// overlong or a surrogate yields U+FFFD, consumes one byte and returns false.
bool nextUtf8(const std::string& text, size_t* pos, char32_t* cp) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    size_t start = (*pos)++;
    uint8_t lead = byte(start);
    *cp = lead;
    if (lead < 0x80) return true;
    *cp = kReplacement;
    int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? (lead < 0xF0 ? 2 : -1) : lead >= 0xC2 ? 1 : -1;
    if (extra < 0 || start + 1 + extra > text.size()) return false;
    char32_t value = lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        uint8_t next = byte(start + i);
        if ((next & 0xC0) != 0x80) return false;
        value = value << 6 | (next & 0x3F);
    }
    static const char32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    *pos = start + 1 + extra;
    *cp = value;
    return true;
}

void appendUtf16(std::u16string* out, char32_t cp) {
    if (cp < 0x10000) {
        out->push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

void appendUtf8(std::string* out, char32_t cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | cp >> 6));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | cp >> 12));
        out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | cp >> 18));
        out->push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

bool isSupported(int codePage) { return codePage == kWindows1252 || codePage == kUtf8; }

bool narrowFromUtf8(const std::string& utf8, int codePage, std::string* out, char32_t* bad) {
    out->clear();
    for (size_t pos = 0; pos < utf8.size();) {
        size_t start = pos;
        char32_t cp = 0;
        char byte = 0;
        bool ok = nextUtf8(utf8, &pos, &cp) && (codePage == kUtf8 || (codePage == kWindows1252 && to1252(cp, &byte)));
        if (!ok) {
            if (bad) *bad = cp;
            return false;
        }
        if (codePage == kUtf8) out->append(utf8, start, pos - start);
        else out->push_back(byte);
    }
    return true;
}

std::u16string narrowToUtf16(const std::string& bytes, int codePage) {
    std::u16string out;
    for (size_t pos = 0; pos < bytes.size();) {
        char32_t cp = 0;
        if (codePage == kUtf8) nextUtf8(bytes, &pos, &cp);
        else cp = from1252(static_cast<uint8_t>(bytes[pos++]));
        appendUtf16(&out, cp);
    }
    return out;
}

bool utf16FromUtf8(const std::string& utf8, std::u16string* out) {
    out->clear();
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t cp = 0;
        if (!nextUtf8(utf8, &pos, &cp)) return false;
        appendUtf16(out, cp);
    }
    return true;
}

std::string utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        bool pairs = high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (pairs) {
            appendUtf8(&out, 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00));
        } else {
            appendUtf8(&out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
        }
    }
    return out;
}

}  // namespace codepage
