// Writes the launcher payload: header with CRC-32, the narrow and wide tables,
// language blocks, scrambled file records and trailing data. Also locates the
// payload start in a PE image. Plain standard C++ plus zlib, so that it builds
// for the host tool and for the Windows unit tests alike.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace payload_writer {

using Bytes = std::vector<uint8_t>;

struct LanguageBlock {
    std::string code;  // 8-bit, e.g. "de" or "de_AT"
    std::vector<std::pair<int32_t, std::u16string>> entries;
};

struct FileRecord {
    std::string name;  // record name as listed in key 2003
    Bytes content;     // plain bytes; scrambled when written
};

struct PayloadSpec {
    uint32_t checkFlag = 1;
    std::map<int32_t, std::string> narrow;   // settings, 8-bit
    std::map<int32_t, std::u16string> wide;  // messages, UTF-16
    std::vector<LanguageBlock> languages;    // stored in this order
    std::vector<FileRecord> records;         // stored in this order
    Bytes trailing;                          // behind the records, inside the verified range
    // When set, keys 2002 and 2003 are derived from the records unless the
    // narrow table already holds them.
    bool deriveFileKeys = true;
};

// Where the pieces of a written payload lie, as offsets from the payload start.
struct PayloadLayout {
    uint64_t tablesStart = 0;     // narrow count
    uint64_t languagesStart = 0;  // language block count
    uint64_t recordsStart = 0;    // first record's size field
    uint64_t trailingStart = 0;   // the unextracted position, relative
    uint64_t end = 0;             // end of the verified range
};

// Serialises the payload. The result is deterministic for equal specs.
Bytes buildPayload(const PayloadSpec& spec, PayloadLayout* layout = nullptr);

// The key 2003 text for a list of record names ("a;b;c;").
std::string fileNamesKey(const std::vector<FileRecord>& records);

// Standard CRC-32 (zlib polynomial) of a byte range, and of a range that
// continues one whose CRC is crc (crc32Of(nullptr, 0) starts a computation).
uint32_t crc32Of(const uint8_t* data, size_t size);
uint32_t crc32Continue(uint32_t crc, const uint8_t* data, size_t size);

// Reads n bytes at a file offset; false when they are not all there.
using ReadAt = std::function<bool(uint64_t offset, uint8_t* out, size_t n)>;

// What the section table of a PE image says about the place of a payload.
struct PeLayout {
    uint32_t sectionCount = 0;
    uint64_t payloadStart = 0;    // behind the last section header's raw data
    uint64_t highestRawEnd = 0;   // end of the raw data reaching furthest, any section
    uint32_t highestSection = 0;  // index of that section
};

// Reads the PE headers of an image of imageSize bytes; false with a reason
// when it is not a PE file or its headers lie outside it.
bool readPeLayout(const ReadAt& read, uint64_t imageSize, PeLayout* layout, std::string* error);

// Offset just behind the last section's raw data of a PE image held in memory.
bool findPayloadStart(const Bytes& image, uint64_t* start, std::string* error);

// Little-endian helpers for readers of the format.
uint32_t readLe16(const uint8_t* p);
uint32_t readLe32(const uint8_t* p);
uint64_t readLe64(const uint8_t* p);

}  // namespace payload_writer
