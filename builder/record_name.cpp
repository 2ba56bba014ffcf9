// Validation of record names. The launcher joins a name to the extraction
// directory as it is, so anything that leaves that directory, names a device
// or breaks the ";"-separated list of key 2003 must be refused here.
#include "builder/record_name.h"

#include <cctype>
#include <vector>

namespace {

bool fail(std::string* problem, const char* why) {
    *problem = why;
    return false;
}

std::vector<std::string> splitPath(const std::string& name) {
    std::vector<std::string> parts(1);
    for (char c : name) {
        if (c == '/' || c == '\\') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

// Characters Windows refuses in file names, and the list separator of key 2003.
bool checkCharacters(const std::string& name, std::string* problem) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return fail(problem, "contains a control character");
        if (c == ';') return fail(problem, "contains \";\", which separates the names in key 2003");
        if (c == ':') return fail(problem, "contains \":\"");
        if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*')
            return fail(problem, "contains a character Windows does not allow in file names (<>\"|?*)");
    }
    return true;
}

// "CON", "nul.txt", "com1.jar" and the like open a device, not a file.
bool namesDevice(const std::string& part) {
    std::string base = recordNameFoldedKey(part.substr(0, part.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

bool checkComponent(const std::string& part, std::string* problem) {
    if (part.empty()) return fail(problem, "has an empty path component");
    if (part == "..") return fail(problem, "contains a \"..\" component");
    if (part == ".") return fail(problem, "contains a \".\" component");
    if (part.back() == '.' || part.back() == ' ')
        return fail(problem, "has a component ending in a dot or space, which Windows drops");
    if (namesDevice(part)) return fail(problem, "names a Windows device (CON, NUL, COM1, ...)");
    return true;
}

}  // namespace

bool normaliseRecordName(const std::string& name, std::string* stored, int* depth, std::string* problem) {
    if (name.empty()) return fail(problem, "is empty");
    if (name[0] == '/' || name[0] == '\\') return fail(problem, "is absolute");
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])))
        return fail(problem, "has a drive letter");
    if (!checkCharacters(name, problem)) return false;
    std::vector<std::string> parts = splitPath(name);
    stored->clear();
    for (const std::string& part : parts) {
        if (!checkComponent(part, problem)) return false;
        if (!stored->empty()) *stored += '\\';
        *stored += part;
    }
    *depth = static_cast<int>(parts.size()) - 1;
    return true;
}

std::string recordNameFoldedKey(const std::string& stored) {
    std::string key = stored;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}
