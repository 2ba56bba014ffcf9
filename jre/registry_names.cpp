// Path <-> registry key name conversion for the probe cache and the located JVM list.
#include "jre/registry_names.h"

#include <cstdio>
#include <cstring>

const char kLocatedJvmsKey[] = "SOFTWARE\\morvane\\kavro\\locatedjvms";

namespace {

void replaceAll(char* text, char from, char to) {
    for (char* p = text; *p; ++p)
        if (*p == from) *p = to;
}

}  // namespace

bool registryNameForPath(const char* listKey, const char* path, char* out, size_t capacity) {
    size_t prefix = std::strlen(listKey) + 1;
    int n = std::snprintf(out, capacity, "%s\\%s", listKey, path);
    if (n < 0 || static_cast<size_t>(n) >= capacity) return false;
    replaceAll(out + prefix, '\\', '/');
    return true;
}

void pathFromRegistryName(const char* name, char* out, size_t capacity) {
    if (capacity == 0) return;
    std::snprintf(out, capacity, "%s", name);
    replaceAll(out, '/', '\\');
}
