// The version resource of a setup file (VS_VERSIONINFO): what Explorer's
// properties, the download list and the elevation prompt show as product,
// version and company.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "builder/payload_writer.h"

// A project's [version] keys and the names of the strings they become.
struct VersionField {
    const char* key;
    const char* resourceName;
};
constexpr int kVersionFieldCount = 6;
constexpr uint16_t kVersionLanguage = 0x0409;  // US English, as the strings' table says
extern const VersionField kVersionFields[kVersionFieldCount];

struct VersionInfo {
    std::vector<std::pair<std::string, std::u16string>> strings;  // resource name, text
    uint16_t fileVersion[4] = {};
    uint16_t productVersion[4] = {};
};

// The numbers of a dotted version text ("2.1.0 beta" gives 2.1.0.0): its
// leading numbers, at most four, each at most 65535. False with the reason.
bool versionNumbers(const std::string& text, uint16_t out[4], std::string* why);
std::string versionNumbersText(const uint16_t numbers[4]);

// The resource, for US English with Unicode strings.
payload_writer::Bytes versionResource(const VersionInfo& info);
// Reads a version resource back; false when the data is not one.
bool readVersionResource(const payload_writer::Bytes& data, VersionInfo* out);
