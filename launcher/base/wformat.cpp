// Wide formatter with the Windows meaning of %s and %S; see wformat.h.
#include "launcher/base/wformat.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace {

// Bounded output cursor: silently drops what does not fit.
struct Sink {
    wchar_t* out;
    size_t cap;
    size_t len = 0;

    void put(wchar_t c) {
        if (cap > 0 && len + 1 < cap) out[len++] = c;
    }
    void repeat(wchar_t c, int count) {
        for (int i = 0; i < count; ++i) put(c);
    }
    void finish() {
        if (cap > 0) out[len < cap ? len : cap - 1] = L'\0';
    }
};

struct Spec {
    bool left = false, zero = false, plus = false, space = false, alt = false;
    int width = 0;
    int precision = -1;
    enum { kDefault, kShort, kLong, kLongLong, kSize } length = kDefault;
};

// Pads a finished piece of text to the field width.
void emitPadded(Sink& sink, const Spec& spec, const wchar_t* text, int count, bool numeric) {
    int pad = spec.width > count ? spec.width - count : 0;
    if (!spec.left && spec.zero && numeric) {
        // Zero padding goes between a sign or "0x" prefix and the digits.
        int prefix = 0;
        if (count > 0 && (text[0] == L'-' || text[0] == L'+' || text[0] == L' ')) prefix = 1;
        if (count > prefix + 1 && text[prefix] == L'0' && (text[prefix + 1] == L'x' || text[prefix + 1] == L'X'))
            prefix += 2;
        for (int i = 0; i < prefix; ++i) sink.put(text[i]);
        sink.repeat(L'0', pad);
        for (int i = prefix; i < count; ++i) sink.put(text[i]);
        return;
    }
    if (!spec.left) sink.repeat(L' ', pad);
    for (int i = 0; i < count; ++i) sink.put(text[i]);
    if (spec.left) sink.repeat(L' ', pad);
}

void emitWideString(Sink& sink, const Spec& spec, const wchar_t* s) {
    if (!s) s = L"(null)";
    int count = 0;
    while (s[count] && (spec.precision < 0 || count < spec.precision)) ++count;
    emitPadded(sink, spec, s, count, false);
}

void emitNarrowString(Sink& sink, const Spec& spec, const char* s) {
    if (!s) {
        emitWideString(sink, spec, nullptr);
        return;
    }
    int bytes = 0;
    while (s[bytes] && (spec.precision < 0 || bytes < spec.precision)) ++bytes;
    if (bytes == 0) {
        emitPadded(sink, spec, L"", 0, false);
        return;
    }
    int units = MultiByteToWideChar(CP_ACP, 0, s, bytes, nullptr, 0);
    wchar_t small[512];
    wchar_t* wide = units <= 512 ? small : static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, units * sizeof(wchar_t)));
    if (!wide) return;
    MultiByteToWideChar(CP_ACP, 0, s, bytes, wide, units);
    emitPadded(sink, spec, wide, units, false);
    if (wide != small) HeapFree(GetProcessHeap(), 0, wide);
}

void emitInteger(Sink& sink, const Spec& spec, wchar_t conv, uint64_t magnitude, bool negative) {
    unsigned base = 10;
    const wchar_t* digits = L"0123456789abcdef";
    if (conv == L'x' || conv == L'p') base = 16;
    if (conv == L'X') {
        base = 16;
        digits = L"0123456789ABCDEF";
    }
    if (conv == L'o') base = 8;

    wchar_t body[80];
    int n = 0;
    wchar_t reversed[66];
    int r = 0;
    do {
        reversed[r++] = digits[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    int minDigits = spec.precision >= 0 ? spec.precision : 1;
    if (spec.precision == 0 && r == 1 && reversed[0] == L'0') r = 0;

    if (negative) body[n++] = L'-';
    else if (spec.plus && (conv == L'd' || conv == L'i')) body[n++] = L'+';
    else if (spec.space && (conv == L'd' || conv == L'i')) body[n++] = L' ';
    if (spec.alt && base == 16 && conv != L'p' && r > 0) {
        body[n++] = L'0';
        body[n++] = conv == L'X' ? L'X' : L'x';
    }
    if (spec.alt && base == 8) minDigits = minDigits > r + 1 ? minDigits : r + 1;
    for (int i = r; i < minDigits && n < 78 - r; ++i) body[n++] = L'0';
    while (r > 0) body[n++] = reversed[--r];
    Spec padded = spec;
    if (spec.precision >= 0) padded.zero = false;
    emitPadded(sink, padded, body, n, true);
}

void emitFloat(Sink& sink, const Spec& spec, wchar_t conv, double value) {
    // Digits of a double are locale-free ASCII; the narrow formatter is exact here.
    char format[32];
    int f = 0;
    format[f++] = '%';
    if (spec.plus) format[f++] = '+';
    if (spec.space) format[f++] = ' ';
    if (spec.alt) format[f++] = '#';
    format[f++] = '.';
    f += std::snprintf(format + f, sizeof(format) - f, "%d", spec.precision >= 0 ? spec.precision : 6);
    format[f++] = static_cast<char>(conv);
    format[f] = '\0';
    char narrow[400];
    int count = std::snprintf(narrow, sizeof(narrow), format, value);
    if (count < 0) return;
    if (count >= static_cast<int>(sizeof(narrow))) count = sizeof(narrow) - 1;
    wchar_t wide[400];
    for (int i = 0; i < count; ++i) wide[i] = static_cast<unsigned char>(narrow[i]);
    emitPadded(sink, spec, wide, count, true);
}

// Parses flags, width, precision and length; returns the conversion character
// position or null when the format ends inside the directive.
const wchar_t* parseSpec(const wchar_t* p, Spec& spec, va_list& args) {
    for (;; ++p) {
        if (*p == L'-') spec.left = true;
        else if (*p == L'0') spec.zero = true;
        else if (*p == L'+') spec.plus = true;
        else if (*p == L' ') spec.space = true;
        else if (*p == L'#') spec.alt = true;
        else break;
    }
    if (*p == L'*') {
        spec.width = va_arg(args, int);
        if (spec.width < 0) {
            spec.left = true;
            spec.width = -spec.width;
        }
        ++p;
    } else {
        while (*p >= L'0' && *p <= L'9') spec.width = spec.width * 10 + (*p++ - L'0');
    }
    if (*p == L'.') {
        ++p;
        spec.precision = 0;
        if (*p == L'*') {
            // A negative precision counts as none, as in C.
            spec.precision = va_arg(args, int);
            if (spec.precision < 0) spec.precision = -1;
            ++p;
        } else {
            while (*p >= L'0' && *p <= L'9') spec.precision = spec.precision * 10 + (*p++ - L'0');
        }
    }
    if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
        spec.length = Spec::kLongLong;
        p += 3;
    } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
        p += 3;
    } else if (p[0] == L'I') {
        spec.length = Spec::kSize;
        ++p;
    } else if (p[0] == L'l' && p[1] == L'l') {
        spec.length = Spec::kLongLong;
        p += 2;
    } else if (p[0] == L'l') {
        spec.length = Spec::kLong;
        ++p;
    } else if (p[0] == L'h') {
        spec.length = Spec::kShort;
        ++p;
        if (*p == L'h') ++p;
    } else if (p[0] == L'z') {
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

}  // namespace

size_t formatWideV(wchar_t* out, size_t cap, const wchar_t* format, va_list args) {
    Sink sink{out, cap};
    va_list ap;
    va_copy(ap, args);
    for (const wchar_t* p = format ? format : L""; *p; ++p) {
        if (*p != L'%') {
            sink.put(*p);
            continue;
        }
        const wchar_t* start = p;
        Spec spec;
        const wchar_t* conv = parseSpec(p + 1, spec, ap);
        if (!conv) {
            for (const wchar_t* q = start; *q; ++q) sink.put(*q);
            break;
        }
        p = conv;
        switch (*conv) {
            case L'%': sink.put(L'%'); break;
            case L's':
                if (spec.length == Spec::kShort) emitNarrowString(sink, spec, va_arg(ap, const char*));
                else emitWideString(sink, spec, va_arg(ap, const wchar_t*));
                break;
            case L'S':
                if (spec.length == Spec::kLong) emitWideString(sink, spec, va_arg(ap, const wchar_t*));
                else emitNarrowString(sink, spec, va_arg(ap, const char*));
                break;
            case L'c':
            case L'C': {
                int value = va_arg(ap, int);
                wchar_t c;
                bool narrow = (*conv == L'C') != (spec.length == Spec::kShort);
                if (narrow) {
                    char narrowChar = static_cast<char>(value);
                    if (MultiByteToWideChar(CP_ACP, 0, &narrowChar, 1, &c, 1) != 1) c = L'?';
                } else {
                    c = static_cast<wchar_t>(value);
                }
                emitPadded(sink, spec, &c, 1, false);
                break;
            }
            case L'd':
            case L'i': {
                int64_t v = signedArg(spec, ap);
                uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
                emitInteger(sink, spec, *conv, magnitude, v < 0);
                break;
            }
            case L'u':
            case L'o':
            case L'x':
            case L'X':
                emitInteger(sink, spec, *conv, unsignedArg(spec, ap), false);
                break;
            case L'p': {
                Spec pointer = spec;
                pointer.precision = static_cast<int>(sizeof(void*) * 2);
                emitInteger(sink, pointer, L'X', reinterpret_cast<uintptr_t>(va_arg(ap, void*)), false);
                break;
            }
            case L'f':
            case L'F':
            case L'e':
            case L'E':
            case L'g':
            case L'G':
                emitFloat(sink, spec, *conv, va_arg(ap, double));
                break;
            default:
                for (const wchar_t* q = start; q <= conv; ++q) sink.put(*q);
                break;
        }
    }
    va_end(ap);
    sink.finish();
    return sink.len;
}

size_t formatWide(wchar_t* out, size_t cap, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    size_t n = formatWideV(out, cap, format, args);
    va_end(args);
    return n;
}
