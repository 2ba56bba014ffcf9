// The launcher's printf engine, for UTF-16 and for 8-bit text alike; see
// wformat.h. One template serves both widths: a directive's string or
// character is of the format's own width unless its letter (S, C) or a length
// prefix (h: 8-bit, l: UTF-16) says otherwise, which is the Windows meaning
// in a wide format and the C99 one in a narrow format.
#include "launcher/base/wformat.h"

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <type_traits>

namespace {

// Bounded output cursor: drops what does not fit, but counts it.
template <typename Char>
struct Sink {
    Char* out;
    size_t cap;
    size_t len = 0;
    size_t total = 0;

    void put(Char c) {
        if (cap > 0 && len + 1 < cap) out[len++] = c;
        ++total;
    }
    void repeat(Char c, int count) {
        for (int i = 0; i < count; ++i) put(c);
    }
    void finish() {
        if (cap > 0) out[len < cap ? len : cap - 1] = Char(0);
    }
};

struct Spec {
    bool left = false, zero = false, plus = false, space = false, alt = false;
    int width = 0;
    int precision = -1;
    enum { kDefault, kShort, kLong, kLongLong, kSize } length = kDefault;
};

// Pads a finished piece of text to the field width.
template <typename Char>
void emitPadded(Sink<Char>& sink, const Spec& spec, const Char* text, int count, bool numeric) {
    int pad = spec.width > count ? spec.width - count : 0;
    if (!spec.left && spec.zero && numeric) {
        // Zero padding goes between a sign or "0x" prefix and the digits.
        int prefix = 0;
        if (count > 0 && (text[0] == '-' || text[0] == '+' || text[0] == ' ')) prefix = 1;
        if (count > prefix + 1 && text[prefix] == '0' && (text[prefix + 1] == 'x' || text[prefix + 1] == 'X'))
            prefix += 2;
        for (int i = 0; i < prefix; ++i) sink.put(text[i]);
        sink.repeat('0', pad);
        for (int i = prefix; i < count; ++i) sink.put(text[i]);
        return;
    }
    if (!spec.left) sink.repeat(' ', pad);
    for (int i = 0; i < count; ++i) sink.put(text[i]);
    if (spec.left) sink.repeat(' ', pad);
}

template <typename Char>
void emitSameWidth(Sink<Char>& sink, const Spec& spec, const Char* s) {
    static const Char kNull[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
    if (!s) s = kNull;
    int count = 0;
    while (s[count] && (spec.precision < 0 || count < spec.precision)) ++count;
    emitPadded(sink, spec, s, count, false);
}

// Text of the other width, converted through the ANSI code page into a
// buffer of its own (on the stack when it is short).
template <typename To, typename From>
class Converted {
public:
    Converted(const From* text, int length) {
        if (length <= 0) return;
        count_ = convert(text, length, nullptr, 0);
        if (count_ > kSmall) data_ = static_cast<To*>(HeapAlloc(GetProcessHeap(), 0, count_ * sizeof(To)));
        if (data_) convert(text, length, data_, count_);
        else count_ = 0;
    }
    ~Converted() {
        if (data_ && data_ != small_) HeapFree(GetProcessHeap(), 0, data_);
    }
    Converted(const Converted&) = delete;
    Converted& operator=(const Converted&) = delete;
    const To* data() const { return data_; }
    int count() const { return count_; }

private:
    static int convert(const char* text, int length, wchar_t* out, int capacity) {
        return MultiByteToWideChar(CP_ACP, 0, text, length, out, capacity);
    }
    static int convert(const wchar_t* text, int length, char* out, int capacity) {
        return WideCharToMultiByte(CP_ACP, 0, text, length, out, capacity, nullptr, nullptr);
    }
    static constexpr int kSmall = 512;
    To small_[kSmall];
    To* data_ = small_;
    int count_ = 0;
};

// A string of the other width; the precision counts units of the argument.
template <typename Char, typename Other>
void emitOtherWidth(Sink<Char>& sink, const Spec& spec, const Other* s) {
    if (!s) {
        emitSameWidth<Char>(sink, spec, nullptr);
        return;
    }
    int units = 0;
    while (s[units] && (spec.precision < 0 || units < spec.precision)) ++units;
    Converted<Char, Other> text(s, units);
    emitPadded(sink, spec, text.data(), text.count(), false);
}

template <typename Char>
void emitInteger(Sink<Char>& sink, const Spec& spec, char conv, uint64_t magnitude, bool negative) {
    unsigned base = 10;
    const char* digits = "0123456789abcdef";
    if (conv == 'x' || conv == 'p') base = 16;
    if (conv == 'X') {
        base = 16;
        digits = "0123456789ABCDEF";
    }
    if (conv == 'o') base = 8;

    Char body[80];
    int n = 0;
    char reversed[66];
    int r = 0;
    do {
        reversed[r++] = digits[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    int minDigits = spec.precision >= 0 ? spec.precision : 1;
    if (spec.precision == 0 && r == 1 && reversed[0] == '0') r = 0;

    if (negative) body[n++] = '-';
    else if (spec.plus && (conv == 'd' || conv == 'i')) body[n++] = '+';
    else if (spec.space && (conv == 'd' || conv == 'i')) body[n++] = ' ';
    if (spec.alt && base == 16 && conv != 'p' && r > 0) {
        body[n++] = '0';
        body[n++] = conv == 'X' ? 'X' : 'x';
    }
    if (spec.alt && base == 8) minDigits = minDigits > r + 1 ? minDigits : r + 1;
    for (int i = r; i < minDigits && n < 78 - r; ++i) body[n++] = '0';
    while (r > 0) body[n++] = reversed[--r];
    Spec padded = spec;
    if (spec.precision >= 0) padded.zero = false;
    emitPadded(sink, padded, body, n, true);
}

template <typename Char>
void emitFloat(Sink<Char>& sink, const Spec& spec, char conv, double value) {
    // The C runtime's own formatter (not the launcher's snprintf, which is
    // this engine): digits of a double are locale-free ASCII.
    char format[32];
    int f = 0;
    format[f++] = '%';
    if (spec.plus) format[f++] = '+';
    if (spec.space) format[f++] = ' ';
    if (spec.alt) format[f++] = '#';
    format[f++] = '.';
    int precision = spec.precision >= 0 ? spec.precision : 6;
    if (precision > 99) precision = 99;
    if (precision >= 10) format[f++] = static_cast<char>('0' + precision / 10);
    format[f++] = static_cast<char>('0' + precision % 10);
    format[f++] = conv;
    format[f] = '\0';
    char narrow[400];
    int count = _snprintf(narrow, sizeof(narrow) - 1, format, value);
    if (count < 0 || count >= static_cast<int>(sizeof(narrow))) count = sizeof(narrow) - 1;
    Char text[400];
    for (int i = 0; i < count; ++i) text[i] = static_cast<unsigned char>(narrow[i]);
    emitPadded(sink, spec, text, count, true);
}

// Parses flags, width, precision and length; returns the conversion character
// position or null when the format ends inside the directive.
template <typename Char>
const Char* parseSpec(const Char* p, Spec& spec, va_list& args) {
    for (;; ++p) {
        if (*p == '-') spec.left = true;
        else if (*p == '0') spec.zero = true;
        else if (*p == '+') spec.plus = true;
        else if (*p == ' ') spec.space = true;
        else if (*p == '#') spec.alt = true;
        else break;
    }
    if (*p == '*') {
        spec.width = va_arg(args, int);
        if (spec.width < 0) {
            spec.left = true;
            spec.width = -spec.width;
        }
        ++p;
    } else {
        while (*p >= '0' && *p <= '9') spec.width = spec.width * 10 + (*p++ - '0');
    }
    if (*p == '.') {
        ++p;
        spec.precision = 0;
        if (*p == '*') {
            // A negative precision counts as none, as in C.
            spec.precision = va_arg(args, int);
            if (spec.precision < 0) spec.precision = -1;
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') spec.precision = spec.precision * 10 + (*p++ - '0');
        }
    }
    if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
        spec.length = Spec::kLongLong;
        p += 3;
    } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
        p += 3;
    } else if (p[0] == 'I') {
        spec.length = Spec::kSize;
        ++p;
    } else if (p[0] == 'l' && p[1] == 'l') {
        spec.length = Spec::kLongLong;
        p += 2;
    } else if (p[0] == 'l') {
        spec.length = Spec::kLong;
        ++p;
    } else if (p[0] == 'h') {
        spec.length = Spec::kShort;
        ++p;
        if (*p == 'h') ++p;
    } else if (p[0] == 'z') {
        spec.length = Spec::kSize;
        ++p;
    }
    return *p ? p : nullptr;
}

int64_t signedArg(const Spec& spec, va_list& args) {
    switch (spec.length) {
        case Spec::kLongLong: return va_arg(args, long long);
        case Spec::kSize: return static_cast<int64_t>(va_arg(args, intptr_t));
        case Spec::kLong: return va_arg(args, long);
        case Spec::kShort: return static_cast<short>(va_arg(args, int));
        default: return va_arg(args, int);
    }
}

uint64_t unsignedArg(const Spec& spec, va_list& args) {
    switch (spec.length) {
        case Spec::kLongLong: return va_arg(args, unsigned long long);
        case Spec::kSize: return static_cast<uint64_t>(va_arg(args, uintptr_t));
        case Spec::kLong: return va_arg(args, unsigned long);
        case Spec::kShort: return static_cast<unsigned short>(va_arg(args, unsigned int));
        default: return va_arg(args, unsigned int);
    }
}

// Whether a string or character directive takes UTF-16: the length prefix
// decides, else the letter (lower case: the format's own width).
template <typename Char>
bool takesWide(const Spec& spec, char conv) {
    if (spec.length == Spec::kShort) return false;
    if (spec.length == Spec::kLong) return true;
    bool sameWidth = conv == 's' || conv == 'c';
    return sameWidth == std::is_same<Char, wchar_t>::value;
}

template <typename Char>
void emitString(Sink<Char>& sink, const Spec& spec, char conv, va_list& ap) {
    if (takesWide<Char>(spec, conv)) {
        const wchar_t* text = va_arg(ap, const wchar_t*);
        if constexpr (std::is_same<Char, wchar_t>::value) emitSameWidth(sink, spec, text);
        else emitOtherWidth(sink, spec, text);
    } else {
        const char* text = va_arg(ap, const char*);
        if constexpr (std::is_same<Char, char>::value) emitSameWidth(sink, spec, text);
        else emitOtherWidth(sink, spec, text);
    }
}

template <typename Char>
void emitCharacter(Sink<Char>& sink, const Spec& spec, char conv, va_list& ap) {
    int value = va_arg(ap, int);
    Char c = '?';
    if (takesWide<Char>(spec, conv) == std::is_same<Char, wchar_t>::value) {
        c = static_cast<Char>(value);
    } else if constexpr (std::is_same<Char, wchar_t>::value) {
        char narrow = static_cast<char>(value);
        if (MultiByteToWideChar(CP_ACP, 0, &narrow, 1, &c, 1) != 1) c = '?';
    } else {
        wchar_t wide = static_cast<wchar_t>(value);
        if (WideCharToMultiByte(CP_ACP, 0, &wide, 1, &c, 1, nullptr, nullptr) != 1) c = '?';
    }
    emitPadded(sink, spec, &c, 1, false);
}

template <typename Char>
void formatInto(Sink<Char>& sink, const Char* format, va_list args) {
    static const Char kEmpty[] = {0};
    va_list ap;
    va_copy(ap, args);
    for (const Char* p = format ? format : kEmpty; *p; ++p) {
        if (*p != '%') {
            sink.put(*p);
            continue;
        }
        const Char* start = p;
        Spec spec;
        const Char* conv = parseSpec(p + 1, spec, ap);
        if (!conv) {
            for (const Char* q = start; *q; ++q) sink.put(*q);
            break;
        }
        p = conv;
        char letter = *conv < 0x80 ? static_cast<char>(*conv) : '\0';
        switch (letter) {
            case '%': sink.put('%'); break;
            case 's':
            case 'S': emitString(sink, spec, letter, ap); break;
            case 'c':
            case 'C': emitCharacter(sink, spec, letter, ap); break;
            case 'd':
            case 'i': {
                int64_t v = signedArg(spec, ap);
                uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
                emitInteger(sink, spec, letter, magnitude, v < 0);
                break;
            }
            case 'u':
            case 'o':
            case 'x':
            case 'X': emitInteger(sink, spec, letter, unsignedArg(spec, ap), false); break;
            case 'p': {
                Spec pointer = spec;
                pointer.precision = static_cast<int>(sizeof(void*) * 2);
                emitInteger(sink, pointer, 'X', reinterpret_cast<uintptr_t>(va_arg(ap, void*)), false);
                break;
            }
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G': emitFloat(sink, spec, letter, va_arg(ap, double)); break;
            default:
                for (const Char* q = start; q <= conv; ++q) sink.put(*q);
                break;
        }
    }
    va_end(ap);
    sink.finish();
}

}  // namespace

size_t formatWideV(wchar_t* out, size_t cap, const wchar_t* format, va_list args) {
    Sink<wchar_t> sink{out, cap};
    formatInto(sink, format, args);
    return sink.len;
}

size_t formatWide(wchar_t* out, size_t cap, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    size_t n = formatWideV(out, cap, format, args);
    va_end(args);
    return n;
}

int formatNarrowV(char* out, size_t cap, const char* format, va_list args) {
    Sink<char> sink{out, cap};
    formatInto(sink, format, args);
    return sink.total > INT_MAX ? -1 : static_cast<int>(sink.total);
}
