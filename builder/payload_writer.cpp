// Serialisation of the payload format; see payload/format.h for the layout.
#include "builder/payload_writer.h"

#include <zlib.h>

#include <algorithm>

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

uint32_t crc32Continue(uint32_t crc, const uint8_t* data, size_t size) {
    uLong value = crc;
    while (size > 0) {
        uInt piece = size > 0x40000000u ? 0x40000000u : static_cast<uInt>(size);
        value = crc32(value, data, piece);
        data += piece;
        size -= piece;
    }
    return static_cast<uint32_t>(value);
}

uint32_t crc32Of(const uint8_t* data, size_t size) {
    return crc32Continue(static_cast<uint32_t>(crc32(0L, Z_NULL, 0)), data, size);
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
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint64_t readLe64(const uint8_t* p) {
    return static_cast<uint64_t>(readLe32(p)) | static_cast<uint64_t>(readLe32(p + 4)) << 32;
}

uint32_t readLe16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }

namespace {

// Walks the section table for the section whose raw data reaches furthest;
// a stub with such data behind the last header cannot take a payload safely.
bool scanSections(const ReadAt& read, uint64_t table, PeLayout* layout, std::string* error) {
    using namespace payload_format;
    uint8_t header[kSectionHeaderSize];
    for (uint32_t i = 0; i < layout->sectionCount; ++i) {
        if (!read(table + uint64_t(i) * kSectionHeaderSize, header, sizeof header)) {
            if (error) *error = "section table lies outside the file";
            return false;
        }
        uint64_t end = uint64_t(readLe32(header + kSectionRawPointer)) + readLe32(header + kSectionRawSize);
        if (i == 0 || end > layout->highestRawEnd) {
            layout->highestRawEnd = end;
            layout->highestSection = i;
        }
        if (i + 1 == layout->sectionCount) layout->payloadStart = end;
    }
    return true;
}

}  // namespace

bool readPeLayout(const ReadAt& read, uint64_t imageSize, PeLayout* layout, std::string* error) {
    using namespace payload_format;
    auto fail = [error](const char* why) {
        if (error) *error = why;
        return false;
    };
    uint8_t dos[64];
    if (imageSize < sizeof dos || !read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return fail("no MZ header");
    uint64_t pe = readLe32(dos + kPeOffsetPointer);
    uint8_t file[24];
    if (pe + sizeof file > imageSize || !read(pe, file, sizeof file))
        return fail("PE header offset lies outside the file");
    if (file[0] != 'P' || file[1] != 'E' || file[2] != 0 || file[3] != 0) return fail("no PE signature");
    *layout = PeLayout();
    layout->sectionCount = readLe16(file + kPeSectionCount);
    uint32_t optional = readLe16(file + kPeOptionalHeaderSize);
    if (layout->sectionCount == 0) return fail("PE file has no sections");
    uint64_t table = pe + kPeSectionTableStart + optional;
    if (table + uint64_t(layout->sectionCount) * kSectionHeaderSize > imageSize)
        return fail("section table lies outside the file");
    return scanSections(read, table, layout, error);
}

bool findPayloadStart(const Bytes& image, uint64_t* start, std::string* error) {
    ReadAt fromMemory = [&image](uint64_t offset, uint8_t* out, size_t n) {
        if (offset > image.size() || n > image.size() - offset) return false;
        const uint8_t* from = image.data() + static_cast<size_t>(offset);
        std::copy(from, from + n, out);
        return true;
    };
    PeLayout layout;
    if (!readPeLayout(fromMemory, image.size(), &layout, error)) return false;
    *start = layout.payloadStart;
    return true;
}

}  // namespace payload_writer
