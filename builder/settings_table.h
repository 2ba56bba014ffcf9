// The launcher's settings by name: for every configuration key the launcher
// reads, the name a project file uses, the kind of value it takes, and what
// it does. The single place where the builder ties names to key numbers.
#pragma once
#include <cstdint>
#include <string>

// How a named setting is written in a project and turned into the text the
// launcher reads.
enum class SettingType {
    Flag,            // true/false, stored as "1"/"0"
    Integer,         // a TOML integer (32-bit), stored in decimal
    Text,            // a string, stored as written
    Version,         // a string such as "1.8" (a TOML number would lose digits)
    Arguments,       // a string as written, or an array quoted for the launcher's splitter
    PathList,        // a string, or an array joined with ";"
    FileNames,       // a string, or an array of names each followed by ";"
    JavaSearch,      // an array of { registry | env | dir | system_path } entries
    ClassPath,       // an array of { archive | dir | env | archives_in } entries
    Colour,          // [red, green, blue], or the text "r,g,b"
    Flavour,         // "installer", "application" or "kavro"
    VersionOptions,  // an array of { version, options } tables, several keys
};

struct SettingInfo {
    const char* name;
    int32_t key;  // the first key for VersionOptions
    SettingType type;
    const char* missing;  // what the launcher does when the key is not in the payload
    const char* meaning;  // what the setting does, in plain words
    int capacity;         // bytes the launcher reads, the terminating NUL included
};

// Keys the builder's own logic refers to.
namespace setting_key {
constexpr int32_t kClassPath = 121;
constexpr int32_t kMinJavaVersion = 126;
constexpr int32_t kMaxJavaVersion = 127;
constexpr int32_t kDownloadUrl = 150;
constexpr int32_t kJreArchiveSize = 151;
constexpr int32_t kNoWindowTimeout = 159;
constexpr int32_t kVersionLineCount = 10200;  // lines k = 0.. use 10201 + 2k and 10202 + 2k
}  // namespace setting_key

// The table, in the order the reference lists it.
const SettingInfo* settingsBegin();
const SettingInfo* settingsEnd();

const SettingInfo* settingByName(const std::string& name);
// The known name nearest to a mistyped one.
std::string closestSettingName(const std::string& name);
// The setting a key belongs to, or nullptr.
const SettingInfo* settingByKey(int32_t key);
// The name a key is shown with ("main_class", "version_vm_options #2 options");
// empty for a key no setting uses.
std::string settingLabel(int32_t key);
// How a value of the type is written, for the reference.
const char* settingTypeText(SettingType type);
