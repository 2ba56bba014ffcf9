// Sequential reader of payload fields over a setup file: buffered, bounded
// by the file's size, and describing a field only when reading it fails, so
// that a file claiming millions of entries costs no string work per entry.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "builder/input_file.h"

// A field description made on demand: label("magic") or any callable
// returning std::string.
inline auto label(const char* text) {
    return [text] { return std::string(text); };
}

class PayloadCursor {
public:
    // Failures go to *error (the first one is kept), naming the offset both
    // in the file and from payloadStart.
    PayloadCursor(const InputFile& file, uint64_t payloadStart, std::string* error);

    uint64_t pos() const { return pos_; }
    uint64_t left() const { return file_.size() - pos_; }

    template <class Describe>
    bool u32(uint32_t* value, const Describe& what) {
        uint8_t b[4];
        if (!take(b, 4, what)) return false;
        *value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        return true;
    }

    template <class Describe>
    bool i64(int64_t* value, const Describe& what) {
        uint8_t b[8];
        if (!take(b, 8, what)) return false;
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
        *value = static_cast<int64_t>(v);
        return true;
    }

    // A 4-byte signed byte count, then that many bytes (an even count when wide).
    template <class Describe>
    bool text(std::string* bytes, bool wide, const Describe& what) {
        uint32_t raw = 0;
        if (!u32(&raw, [&] { return what() + " length"; })) return false;
        int32_t count = static_cast<int32_t>(raw);
        if (count < 0) return broken(what() + " has a negative length " + std::to_string(count), -4);
        if (wide && count % 2 != 0) return broken(what() + " has an odd byte count " + std::to_string(count), -4);
        if (static_cast<uint64_t>(count) > left())
            return broken(what() + " length " + std::to_string(count) + " runs past the end of the file (" +
                              std::to_string(left()) + " bytes left)",
                          -4);
        bytes->resize(static_cast<size_t>(count));
        return take(bytes->data(), bytes->size(), what);
    }

    template <class Describe>
    bool skip(uint64_t n, const Describe& what) {
        if (n > left()) return reportShort(n, what());
        pos_ += n;
        return true;
    }

    // Records a failure at pos() + back; always false.
    bool broken(const std::string& what, int64_t back);

private:
    template <class Describe>
    bool take(void* to, size_t n, const Describe& what) {
        if (n > left()) return reportShort(n, what());
        if (!fetch(to, n)) return broken(what() + ": read error", 0);
        pos_ += n;
        return true;
    }
    bool reportShort(uint64_t n, const std::string& what);
    bool fetch(void* to, size_t n);

    const InputFile& file_;
    uint64_t start_, pos_;
    std::string* error_;
    std::vector<uint8_t> buffer_;
    uint64_t bufferStart_ = 0;
    size_t bufferLength_ = 0;
};
