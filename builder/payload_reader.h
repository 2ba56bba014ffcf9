// Reading a setup file back the way the launcher does: payload start, header,
// tables, language blocks, CRC and file records, stopping with a description
// of the place where a damaged file breaks.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builder/input_file.h"
#include "builder/stub_info.h"

struct InspectedLanguage {
    std::string code;  // 8-bit as stored
    std::map<int32_t, std::u16string> entries;
};

struct InspectedRecord {
    std::string name;     // from key 2003, 8-bit as stored
    int64_t size = 0;     // as stored; the launcher treats a negative size as empty
    uint64_t offset = 0;  // file offset of the content
};

struct Inspection {
    uint64_t fileSize = 0;
    std::optional<uint64_t> payloadStart;
    std::optional<uint32_t> magic, checkFlag, crcExpected, crcComputed;
    std::optional<int64_t> verifiedLength;
    std::map<int32_t, std::string> narrow;  // an id read again replaces the text, as in the launcher
    std::map<int32_t, std::u16string> wide;
    std::vector<InspectedLanguage> languages;
    std::vector<InspectedRecord> records;
    std::optional<uint64_t> unextractedPosition;
    std::string error;  // the first problem found; empty for a sound file
    StubInfo stub;      // what the stub in front of the payload carries

    bool magicOk() const;
    bool crcOk() const;
};

// Fills out as far as the file allows; false when it is broken (out->error).
bool inspectSetup(const InputFile& file, Inspection* out);
