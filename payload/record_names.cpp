// Record-name list walking and the containment test for record names.
#include "payload/record_names.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The file system drops trailing dots and spaces from a name, so a
// component of nothing but those means "here" or "up" (or nothing at all).
bool isDotsAndSpaces(const char* begin, const char* end) {
    for (const char* p = begin; p < end; ++p)
        if (*p != '.' && *p != ' ') return false;
    return true;
}

bool equalsIgnoringCase(const char* begin, size_t length, const char* word) {
    if (std::strlen(word) != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(begin[i])) != static_cast<unsigned char>(word[i])) return false;
    return true;
}

// Device names open a device in every directory, with or without an extension.
bool isDeviceName(const char* begin, const char* end) {
    const char* stop = begin;
    while (stop < end && *stop != '.') ++stop;
    while (stop > begin && stop[-1] == ' ') --stop;
    size_t length = static_cast<size_t>(stop - begin);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices)
        if (equalsIgnoringCase(begin, length, device)) return true;
    if (length == 4 && (equalsIgnoringCase(begin, 3, "COM") || equalsIgnoringCase(begin, 3, "LPT")))
        return begin[3] >= '0' && begin[3] <= '9';
    return false;
}

}  // namespace

char* nextListItem(char** cursor) {
    char* p = *cursor;
    if (!p) return nullptr;
    while (*p == ';') ++p;
    if (*p == '\0') {
        *cursor = p;
        return nullptr;
    }
    char* item = p;
    while (*p && *p != ';') ++p;
    if (*p == ';') *p++ = '\0';
    *cursor = p;
    return item;
}

bool isSafeRecordName(const char* name) {
    if (!name || name[0] == '\0' || isSeparator(name[0])) return false;
    if (std::strchr(name, ':')) return false;
    const char* component = name;
    for (const char* p = name;; ++p) {
        if (*p == '\0' || isSeparator(*p)) {
            if (p > component && (isDotsAndSpaces(component, p) || isDeviceName(component, p))) return false;
            if (*p == '\0') return true;
            component = p + 1;
        }
    }
}
