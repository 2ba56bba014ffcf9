// Buffering matters for damaged files whose counts run into the millions:
// one read per 64 KiB instead of one per field.
#include "builder/payload_cursor.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

PayloadCursor::PayloadCursor(const InputFile& file, uint64_t payloadStart, std::string* error)
    : file_(file), start_(payloadStart), pos_(payloadStart), error_(error), buffer_(1 << 16) {}

bool PayloadCursor::broken(const std::string& what, int64_t back) {
    if (!error_->empty()) return false;
    uint64_t at = pos_ + back;
    char where[96];
    std::snprintf(where, sizeof where, "at offset %" PRIu64 " (payload +%" PRIu64 "): ", at, at - start_);
    *error_ = where + what;
    return false;
}

bool PayloadCursor::reportShort(uint64_t n, const std::string& what) {
    return broken(what + " needs " + std::to_string(n) + " bytes, only " + std::to_string(left()) + " left in the file",
                  0);
}

bool PayloadCursor::fetch(void* to, size_t n) {
    if (n > buffer_.size()) return file_.readAt(pos_, to, n);
    if (pos_ < bufferStart_ || pos_ + n > bufferStart_ + bufferLength_) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), left()));
        if (!file_.readAt(pos_, buffer_.data(), want)) return false;
        bufferStart_ = pos_;
        bufferLength_ = want;
    }
    std::memcpy(to, buffer_.data() + (pos_ - bufferStart_), n);
    return true;
}
