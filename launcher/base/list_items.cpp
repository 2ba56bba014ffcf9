// Separated-list walking for settings and registry values.
#include "launcher/base/list_items.h"

#include <cstdio>
#include <cstring>

bool nextListItem(const char** cursor, char separator, char* out, size_t capacity) {
    const char* p = *cursor;
    while (*p == separator) ++p;
    if (!*p) {
        *cursor = p;
        return false;
    }
    const char* end = std::strchr(p, separator);
    if (!end) end = p + std::strlen(p);
    if (capacity > 0) std::snprintf(out, capacity, "%.*s", static_cast<int>(end - p), p);
    *cursor = end;
    return true;
}
