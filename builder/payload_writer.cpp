// Serialisation of the payload format; see payload/format.h for the layout.
#include "builder/payload_writer.h"

#include <zlib.h>

#include "payload/format.h"

namespace payload_writer {
namespace {

void putLe32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putLe64(Bytes& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void patchLe32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void patchLe64(Bytes& out, size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void putNarrow(Bytes& out, const std::string& s) {
    putLe32(out, static_cast<uint32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

void putWide(Bytes& out, const std::u16string& s) {
    putLe32(out, static_cast<uint32_t>(s.size() * 2));
    for (char16_t c : s) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
}

}  // namespace

std::string fileNamesKey(const std::vector<FileRecord>& records) {
    std::string names;
    for (const FileRecord& r : records) names += r.name + ";";
    return names;
}

uint32_t crc32Of(const uint8_t* data, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        uInt piece = size > 0x40000000u ? 0x40000000u : static_cast<uInt>(size);
        crc = crc32(crc, data, piece);
        data += piece;
        size -= piece;
    }
    return static_cast<uint32_t>(crc);
}

Bytes buildPayload(const PayloadSpec& spec, PayloadLayout* layout) {
    using namespace payload_format;
    std::map<int32_t, std::string> narrow = spec.narrow;
    if (spec.deriveFileKeys) {
        narrow.emplace(kKeyFileCount, std::to_string(spec.records.size()));
        narrow.emplace(kKeyFileNames, fileNamesKey(spec.records));
    }

    Bytes out;
    PayloadLayout where;
    putLe32(out, kMagic);
    putLe32(out, spec.checkFlag);
    putLe32(out, 0);  // CRC, patched below
    putLe64(out, 0);  // verified length, patched below

    where.tablesStart = out.size();
    putLe32(out, static_cast<uint32_t>(narrow.size()));
    for (const auto& [id, text] : narrow) {
        putLe32(out, static_cast<uint32_t>(id));
        putNarrow(out, text);
    }
    putLe32(out, static_cast<uint32_t>(spec.wide.size()));
    for (const auto& [id, text] : spec.wide) {
        putLe32(out, static_cast<uint32_t>(id));
        putWide(out, text);
    }

    where.languagesStart = out.size();
    putLe32(out, static_cast<uint32_t>(spec.languages.size()));
    for (const LanguageBlock& block : spec.languages) {
        putNarrow(out, block.code);
        putLe32(out, static_cast<uint32_t>(block.entries.size()));
        for (const auto& [id, text] : block.entries) {
            putLe32(out, static_cast<uint32_t>(id));
            putWide(out, text);
        }
    }

    where.recordsStart = out.size();
    for (const FileRecord& record : spec.records) {
        putLe64(out, static_cast<uint64_t>(record.content.size()));
        size_t at = out.size();
        out.insert(out.end(), record.content.begin(), record.content.end());
        for (size_t i = at; i < out.size(); ++i) out[i] ^= kScrambleMask;
    }

    where.trailingStart = out.size();
    out.insert(out.end(), spec.trailing.begin(), spec.trailing.end());
    where.end = out.size();

    uint64_t verified = out.size() - kVerifiedRangeStart;
    patchLe64(out, kOffsetVerifiedLength, verified);
    patchLe32(out, kOffsetCrc, crc32Of(out.data() + kVerifiedRangeStart, verified));
    if (layout) *layout = where;
    return out;
}

uint32_t readLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint64_t readLe64(const uint8_t* p) {
    return static_cast<uint64_t>(readLe32(p)) | static_cast<uint64_t>(readLe32(p + 4)) << 32;
}

bool findPayloadStart(const Bytes& image, uint64_t* start, std::string* error) {
    using namespace payload_format;
    auto fail = [error](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') return fail("no MZ header");
    uint64_t pe = readLe32(&image[kPeOffsetPointer]);
    if (pe + 24 > image.size()) return fail("PE header offset lies outside the file");
    if (image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 || image[pe + 3] != 0)
        return fail("no PE signature");
    uint32_t sections = image[pe + kPeSectionCount] | image[pe + kPeSectionCount + 1] << 8;
    uint32_t optional = image[pe + kPeOptionalHeaderSize] | image[pe + kPeOptionalHeaderSize + 1] << 8;
    if (sections == 0) return fail("PE file has no sections");
    uint64_t last = pe + kPeSectionTableStart + optional + uint64_t(sections - 1) * kSectionHeaderSize;
    if (last + kSectionHeaderSize > image.size()) return fail("section table lies outside the file");
    uint64_t rawSize = readLe32(&image[last + kSectionRawSize]);
    uint64_t rawPointer = readLe32(&image[last + kSectionRawPointer]);
    *start = rawPointer + rawSize;
    return true;
}

}  // namespace payload_writer
