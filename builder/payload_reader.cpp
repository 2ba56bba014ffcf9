// Every length and count read from the file is checked against the bytes
// that are left before anything is allocated or looped over, so a damaged
// file ends in a message instead of a crash or an endless loop.
#include "builder/payload_reader.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "builder/payload_cursor.h"
#include "builder/payload_writer.h"
#include "payload/format.h"

namespace {

// The first problem wins: later ones are usually its consequences.
bool fail(Inspection* out, const std::string& what) {
    if (out->error.empty()) out->error = what;
    return false;
}

std::u16string fromUtf16Le(const std::string& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] =
            static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) | static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    return text;
}

std::string ofCount(const std::string& what, uint32_t i, uint32_t count) {
    return what + " " + std::to_string(i + 1) + " of " + std::to_string(count);
}

// Real payloads hold tens of entries. A count beyond this (all tables, blocks
// and records together) is damage, and storing what it claims would cost
// memory out of proportion to the file.
constexpr size_t kMaxEntries = 100000;

// Takes count entries from the budget; the count in question was read just
// before (back bytes before the cursor).
template <class Describe>
bool claim(PayloadCursor& in, uint32_t count, size_t* budget, const Describe& what, int back = -4) {
    if (count <= *budget) {
        *budget -= count;
        return true;
    }
    return in.broken(what() + " " + std::to_string(count) + " is implausible (more than " +
                         std::to_string(kMaxEntries) + " entries in all)",
                     back);
}

// Count, then count pairs of id and text.
template <class Describe, class Store>
bool readEntries(PayloadCursor& in, size_t* budget, const Describe& what, bool wide, Store&& store) {
    uint32_t count = 0;
    auto counted = [&] { return what() + " count"; };
    if (!in.u32(&count, counted) || !claim(in, count, budget, counted)) return false;
    std::string text;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = 0;
        auto entry = [&] { return ofCount(what() + " entry", i, count); };
        if (!in.u32(&id, [&] { return entry() + " id"; }) ||
            !in.text(&text, wide, [&] { return entry() + " (id " + std::to_string(int32_t(id)) + ") text"; }))
            return false;
        store(static_cast<int32_t>(id), text);
    }
    return true;
}

bool readLanguages(PayloadCursor& in, size_t* budget, Inspection* out) {
    uint32_t count = 0;
    auto counted = label("language block count");
    if (!in.u32(&count, counted) || !claim(in, count, budget, counted)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        auto block = [&] { return ofCount("language block", i, count); };
        InspectedLanguage language;
        if (!in.text(&language.code, false, [&] { return block() + " code"; })) return false;
        auto named = [&] { return block() + " (\"" + language.code + "\")"; };
        bool ok = readEntries(in, budget, named, true,
                              [&](int32_t id, const std::string& t) { language.entries[id] = fromUtf16Le(t); });
        out->languages.push_back(std::move(language));
        if (!ok) return false;
    }
    return true;
}

bool readHeader(PayloadCursor& in, Inspection* out) {
    uint32_t magic = 0, flag = 0, crc = 0;
    int64_t length = 0;
    if (!in.u32(&magic, label("magic"))) return false;
    out->magic = magic;
    if (!out->magicOk()) {
        char text[96];
        std::snprintf(text, sizeof text, "wrong magic 0x%08X (expected 0x%08X)", magic, payload_format::kMagic);
        return in.broken(text, -4);
    }
    if (!in.u32(&flag, label("check flag"))) return false;
    out->checkFlag = flag;
    if (!in.u32(&crc, label("expected CRC"))) return false;
    out->crcExpected = crc;
    if (!in.i64(&length, label("verified length"))) return false;
    out->verifiedLength = length;
    return true;
}

bool readTables(PayloadCursor& in, size_t* budget, Inspection* out) {
    return readEntries(in, budget, label("narrow"), false,
                       [&](int32_t id, const std::string& t) { out->narrow[id] = t; }) &&
           readEntries(in, budget, label("wide"), true,
                       [&](int32_t id, const std::string& t) { out->wide[id] = fromUtf16Le(t); }) &&
           readLanguages(in, budget, out);
}

// The C library's atoi, as the launcher reads key 2002.
int64_t launcherInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < INT32_MAX; ++i)
        value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

// The next non-empty name of key 2003 from *pos on; false when none is left.
bool nextRecordName(const std::string& list, size_t* pos, std::string* name) {
    while (*pos < list.size()) {
        size_t end = std::min(list.find(';', *pos), list.size());
        *name = list.substr(*pos, end - *pos);
        *pos = end + 1;
        if (!name->empty()) return true;
    }
    return false;
}

// As the launcher extracts: names of key 2003 in order, while fewer than key 2002 are done.
bool readRecords(PayloadCursor& in, size_t* budget, Inspection* out) {
    auto countText = out->narrow.find(payload_format::kKeyFileCount);
    auto namesText = out->narrow.find(payload_format::kKeyFileNames);
    int64_t count = countText == out->narrow.end() ? 0 : launcherInt(countText->second);
    const std::string names = namesText == out->narrow.end() ? std::string() : namesText->second;
    size_t pos = 0;
    InspectedRecord record;
    for (int64_t i = 0; i < count && nextRecordName(names, &pos, &record.name); ++i) {
        auto what = [&] { return "record " + std::to_string(i + 1) + " (\"" + record.name + "\")"; };
        if (!claim(in, 1, budget, what, 0) || !in.i64(&record.size, [&] { return what() + " size"; })) return false;
        record.offset = in.pos();
        out->records.push_back(record);
        if (record.size < 0) {
            in.broken(what() + " has a negative size " + std::to_string(record.size), -8);
            continue;  // the launcher extracts nothing for it and goes on
        }
        if (!in.skip(static_cast<uint64_t>(record.size), [&] { return what() + " content"; })) return false;
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

// Real stubs with a splash image stay far below this; a larger "stub" is
// damage and is not read into memory.
constexpr uint64_t kMaxStubBytes = 64u << 20;

void describeStubOf(const InputFile& file, Inspection* out) {
    if (*out->payloadStart > kMaxStubBytes) return;
    payload_writer::Bytes image(static_cast<size_t>(*out->payloadStart));
    if (file.readAt(0, image.data(), image.size())) out->stub = describeStub(image);
}

bool locatePayload(const InputFile& file, Inspection* out) {
    payload_writer::ReadAt read = [&file](uint64_t offset, uint8_t* to, size_t n) {
        return file.readAt(offset, to, n);
    };
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
    describeStubOf(file, out);
    PayloadCursor in(file, *out->payloadStart, &out->error);
    size_t budget = kMaxEntries;
    if (!readHeader(in, out) || !readTables(in, &budget, out)) return false;
    // A broken record says more about the damage than the CRC mismatch it causes.
    bool recordsRead = readRecords(in, &budget, out);
    computeCrc(file, *out->payloadStart, out);
    if (recordsRead) {
        uint64_t verifiedEnd = *out->payloadStart + payload_format::kVerifiedRangeStart + *out->verifiedLength;
        if (*out->verifiedLength >= 0 && *out->unextractedPosition > verifiedEnd)
            fail(out, "the file records end at offset " + std::to_string(*out->unextractedPosition) +
                          ", behind the end of the verified range at " + std::to_string(verifiedEnd));
    }
    return out->error.empty();
}
