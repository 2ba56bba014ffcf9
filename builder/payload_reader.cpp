// Every length and count read from the file is checked against the bytes
// that are left before anything is allocated or looped over, so a damaged
// file ends in a message instead of a crash or an endless loop.
#include "builder/payload_reader.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "builder/payload_writer.h"
#include "payload/format.h"

namespace {

using payload_writer::readLe32;
using payload_writer::readLe64;

// The first problem wins: later ones are usually its consequences.
bool fail(Inspection* out, const std::string& what) {
    if (out->error.empty()) out->error = what;
    return false;
}

class Cursor {
public:
    Cursor(const InputFile& file, uint64_t payloadStart, uint64_t pos, Inspection* out)
        : file_(file), start_(payloadStart), pos_(pos), out_(out) {}

    uint64_t pos() const { return pos_; }
    uint64_t left() const { return file_.size() - pos_; }

    bool u32(uint32_t* value, const std::string& what) {
        uint8_t b[4];
        if (!take(b, 4, what)) return false;
        *value = readLe32(b);
        return true;
    }
    bool i64(int64_t* value, const std::string& what) {
        uint8_t b[8];
        if (!take(b, 8, what)) return false;
        *value = static_cast<int64_t>(readLe64(b));
        return true;
    }
    // A 4-byte signed byte count and that many bytes.
    bool text(std::string* bytes, bool wide, const std::string& what) {
        uint32_t raw = 0;
        if (!u32(&raw, what + " length")) return false;
        int32_t count = static_cast<int32_t>(raw);
        if (count < 0) return broken(what + " has a negative length " + std::to_string(count), -4);
        if (wide && count % 2 != 0) return broken(what + " has an odd byte count " + std::to_string(count), -4);
        if (static_cast<uint64_t>(count) > left())
            return broken(what + " length " + std::to_string(count) + " runs past the end of the file (" +
                              std::to_string(left()) + " bytes left)", -4);
        bytes->resize(static_cast<size_t>(count));
        return take(bytes->data(), bytes->size(), what);
    }
    bool skip(uint64_t n, const std::string& what) {
        if (n > left()) return broken(what + " needs " + std::to_string(n) + " bytes, only " +
                                      std::to_string(left()) + " left in the file", 0);
        pos_ += n;
        return true;
    }
    bool broken(const std::string& what, int64_t back) {
        char where[96];
        uint64_t at = pos_ + back;
        std::snprintf(where, sizeof where, "at offset %" PRIu64 " (payload +%" PRIu64 "): ", at, at - start_);
        return fail(out_, where + what);
    }

private:
    bool take(void* to, size_t n, const std::string& what) {
        if (n > left()) return broken(what + " needs " + std::to_string(n) + " bytes, only " +
                                      std::to_string(left()) + " left in the file", 0);
        if (!file_.readAt(pos_, to, n)) return broken(what + ": read error", 0);
        pos_ += n;
        return true;
    }

    const InputFile& file_;
    uint64_t start_, pos_;
    Inspection* out_;
};

std::u16string fromUtf16Le(const std::string& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) | static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    return text;
}

std::string ofCount(const char* what, uint32_t i, uint32_t count) {
    return std::string(what) + " " + std::to_string(i + 1) + " of " + std::to_string(count);
}

// Count, then count pairs of id and text; the loop ends at the end of the file at the latest.
template <class Store>
bool readEntries(Cursor& in, const std::string& what, bool wide, Store&& store) {
    uint32_t count = 0;
    if (!in.u32(&count, what + " count")) return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = 0;
        std::string text;
        std::string entry = ofCount((what + " entry").c_str(), i, count);
        if (!in.u32(&id, entry + " id") ||
            !in.text(&text, wide, entry + " (id " + std::to_string(static_cast<int32_t>(id)) + ") text"))
            return false;
        store(static_cast<int32_t>(id), text);
    }
    return true;
}

bool readLanguages(Cursor& in, Inspection* out) {
    uint32_t count = 0;
    if (!in.u32(&count, "language block count")) return false;
    for (uint32_t i = 0; i < count; ++i) {
        std::string block = ofCount("language block", i, count);
        InspectedLanguage language;
        if (!in.text(&language.code, false, block + " code")) return false;
        bool ok = readEntries(in, block + " (\"" + language.code + "\")", true, [&](int32_t id, const std::string& t) {
            language.entries[id] = fromUtf16Le(t);
        });
        out->languages.push_back(std::move(language));
        if (!ok) return false;
    }
    return true;
}

bool readHeader(Cursor& in, Inspection* out) {
    uint32_t magic = 0, flag = 0, crc = 0;
    int64_t length = 0;
    if (!in.u32(&magic, "magic")) return false;
    out->magic = magic;
    if (!out->magicOk()) {
        char text[96];
        std::snprintf(text, sizeof text, "wrong magic 0x%08X (expected 0x%08X)", magic, payload_format::kMagic);
        return in.broken(text, -4);
    }
    if (!in.u32(&flag, "check flag")) return false;
    out->checkFlag = flag;
    if (!in.u32(&crc, "expected CRC")) return false;
    out->crcExpected = crc;
    if (!in.i64(&length, "verified length")) return false;
    out->verifiedLength = length;
    return true;
}

bool readTables(Cursor& in, Inspection* out) {
    return readEntries(in, "narrow", false, [&](int32_t id, const std::string& t) { out->narrow[id] = t; }) &&
           readEntries(in, "wide", true, [&](int32_t id, const std::string& t) { out->wide[id] = fromUtf16Le(t); }) &&
           readLanguages(in, out);
}

// The C library's atoi, as the launcher reads key 2002.
int64_t launcherInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < INT32_MAX; ++i) value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

std::vector<std::string> recordNames(const Inspection& in) {
    std::vector<std::string> names;
    auto list = in.narrow.find(payload_format::kKeyFileNames);
    if (list == in.narrow.end()) return names;
    std::string name;
    for (char c : list->second + ";") {
        if (c != ';') {
            name += c;
        } else if (!name.empty()) {
            names.push_back(name);
            name.clear();
        }
    }
    return names;
}

bool readRecords(Cursor& in, Inspection* out) {
    auto countText = out->narrow.find(payload_format::kKeyFileCount);
    int64_t count = countText == out->narrow.end() ? 0 : launcherInt(countText->second);
    std::vector<std::string> names = recordNames(*out);
    for (size_t i = 0; i < names.size() && static_cast<int64_t>(i) < count; ++i) {
        std::string what = "record " + std::to_string(i + 1) + " (\"" + names[i] + "\")";
        InspectedRecord record;
        record.name = names[i];
        if (!in.i64(&record.size, what + " size")) return false;
        record.offset = in.pos();
        out->records.push_back(record);
        if (record.size < 0) {
            in.broken(what + " has a negative size " + std::to_string(record.size), -8);
            continue;  // the launcher extracts nothing for it and goes on
        }
        if (!in.skip(static_cast<uint64_t>(record.size), what + " content")) return false;
    }
    out->unextractedPosition = in.pos();
    return true;
}

void computeCrc(const InputFile& file, uint64_t start, Inspection* out) {
    int64_t length = *out->verifiedLength;
    uint64_t from = start + payload_format::kVerifiedRangeStart;
    if (length < 0 || from > file.size() || static_cast<uint64_t>(length) > file.size() - from) {
        fail(out, "verified length " + std::to_string(length) + " does not fit the file: the range from offset " +
                      std::to_string(from) + " would end behind its end at " + std::to_string(file.size()));
        return;
    }
    std::vector<uint8_t> piece(1 << 16);
    uint32_t crc = payload_writer::crc32Of(nullptr, 0);
    for (uint64_t done = 0; done < static_cast<uint64_t>(length);) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), length - done));
        if (!file.readAt(from + done, piece.data(), n)) {
            fail(out, "read error inside the verified range");
            return;
        }
        crc = payload_writer::crc32Continue(crc, piece.data(), n);
        done += n;
    }
    out->crcComputed = crc;
    if (*out->checkFlag != 0 && crc != *out->crcExpected) {
        char text[96];
        std::snprintf(text, sizeof text, "CRC mismatch: expected 0x%08X, computed 0x%08X", *out->crcExpected, crc);
        fail(out, text);
    }
}

bool locatePayload(const InputFile& file, Inspection* out) {
    payload_writer::ReadAt read = [&file](uint64_t offset, uint8_t* to, size_t n) { return file.readAt(offset, to, n); };
    payload_writer::PeLayout pe;
    std::string why;
    if (!payload_writer::readPeLayout(read, file.size(), &pe, &why)) return fail(out, "not a PE file: " + why);
    out->payloadStart = pe.payloadStart;
    if (pe.payloadStart >= file.size())
        return fail(out, "no payload: the last section ends at offset " + std::to_string(pe.payloadStart) +
                             ", the file has " + std::to_string(file.size()) + " bytes");
    return true;
}

}  // namespace

bool Inspection::magicOk() const { return magic && *magic == payload_format::kMagic; }

bool Inspection::crcOk() const { return crcComputed && crcExpected && *crcComputed == *crcExpected; }

bool inspectSetup(const InputFile& file, Inspection* out) {
    *out = Inspection();
    out->fileSize = file.size();
    if (!locatePayload(file, out)) return false;
    Cursor in(file, *out->payloadStart, *out->payloadStart, out);
    if (!readHeader(in, out) || !readTables(in, out)) return false;
    // A broken record says more about the damage than the CRC mismatch it causes.
    bool recordsRead = readRecords(in, out);
    computeCrc(file, *out->payloadStart, out);
    if (recordsRead) {
        uint64_t verifiedEnd = *out->payloadStart + payload_format::kVerifiedRangeStart + *out->verifiedLength;
        if (*out->verifiedLength >= 0 && *out->unextractedPosition > verifiedEnd)
            fail(out, "the file records end at offset " + std::to_string(*out->unextractedPosition) +
                          ", behind the end of the verified range at " + std::to_string(verifiedEnd));
    }
    return out->error.empty();
}
