// Storage and getters of the configuration store.
#include "payload/config.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "launcher/base/code_page.h"
#include "launcher/base/log.h"
#include "launcher/base/wformat.h"

namespace {

// A table sorted by id, searched by halving. The payload holds a few hundred
// entries, read once in id order, so an array does what a tree would at a
// fraction of its code. Plain zero-initialised records that are never
// destroyed: a worker thread may still be inside a getter while the entry
// thread runs the at-exit actions (after Cancel, or std::exit), and a
// destroyed table would be freed memory under its feet.
template <typename Text>
struct Table {
    struct Entry {
        int id;
        Text* text;
    };
    Entry* entries;
    size_t count;
    size_t capacity;
};

Table<char> g_narrow;
Table<wchar_t> g_wide;

// The position of id, or where it would be inserted.
template <typename Text>
size_t positionOf(const Table<Text>& table, int id) {
    size_t low = 0, high = table.count;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (table.entries[middle].id < id) low = middle + 1;
        else high = middle;
    }
    return low;
}

template <typename Text>
const Text* find(const Table<Text>& table, int id) {
    size_t at = positionOf(table, id);
    return at < table.count && table.entries[at].id == id ? table.entries[at].text : nullptr;
}

template <typename Text>
bool replaceEntry(Table<Text>& table, int id, Text* text) {
    size_t at = positionOf(table, id);
    if (at < table.count && table.entries[at].id == id) {
        std::free(table.entries[at].text);
        table.entries[at].text = text;
        return true;
    }
    if (table.count == table.capacity) {
        size_t capacity = table.capacity ? 2 * table.capacity : 64;
        void* grown = std::realloc(table.entries, capacity * sizeof(*table.entries));
        if (!grown) {
            std::free(text);
            return false;
        }
        table.entries = static_cast<typename Table<Text>::Entry*>(grown);
        table.capacity = capacity;
    }
    std::memmove(table.entries + at + 1, table.entries + at, (table.count - at) * sizeof(*table.entries));
    table.entries[at] = {id, text};
    ++table.count;
    return true;
}

template <typename Text>
void clearTable(Table<Text>& table) {
    for (size_t i = 0; i < table.count; ++i) std::free(table.entries[i].text);
    table.count = 0;
}

const char* findNarrow(int id) { return find(g_narrow, id); }
const wchar_t* findWide(int id) { return find(g_wide, id); }

}  // namespace

void getConfigString(int id, char* buffer, size_t size) {
    if (size == 0) return;
    const char* value = findNarrow(id);
    if (!value) {
        buffer[0] = '\0';
        return;
    }
    size_t length = std::strlen(value);
    if (length > size - 1) {
        logError(L"config string %d truncated (%d %d)", id, static_cast<int>(size), static_cast<int>(length));
        length = size - 1;
    }
    std::memcpy(buffer, value, length);
    buffer[length] = '\0';
}

int getConfigInt(int id) {
    char value[kPathCapacity];
    getConfigString(id, value, sizeof(value));
    return std::atoi(value);
}

char* getConfigStringCopy(int id) {
    const char* value = findNarrow(id);
    size_t length = value ? std::strlen(value) : 0;
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) return nullptr;
    if (length) std::memcpy(copy, value, length);
    copy[length] = '\0';
    return copy;
}

void getConfigStringWide(int id, wchar_t* buffer, size_t units) {
    if (units == 0) return;
    const char* value = findNarrow(id);
    if (!value) {
        buffer[0] = L'\0';
        return;
    }
    widenFileCodePage(value, buffer, units);
}

bool getMessage(int id, wchar_t* buffer) {
    const wchar_t* value = findWide(id);
    if (!value) {
        buffer[0] = L'\0';
        return false;
    }
    size_t length = std::wcslen(value);
    if (length > kMessageCapacity - 1) length = kMessageCapacity - 1;
    std::wmemcpy(buffer, value, length);
    buffer[length] = L'\0';
    return true;
}

void getMessageOrConfig(int id, wchar_t* buffer) {
    getMessage(id, buffer);
    if (buffer[0] == L'\0') getConfigStringWide(id, buffer, kMessageCapacity);
}

void formatMessage(int id, const wchar_t* argument, wchar_t* buffer) {
    getMessageOrConfig(id, buffer);
    if (!argument) return;
    wchar_t* placeholder = std::wcsstr(buffer, L"{0}");
    if (!placeholder) return;
    wchar_t rest[kMessageCapacity];
    formatWide(rest, kMessageCapacity, L"%s", placeholder + 3);
    size_t at = static_cast<size_t>(placeholder - buffer);
    formatWide(placeholder, kMessageCapacity - at, L"%s%s", argument, rest);
}

void formatMessage8(int id, const char* argument, wchar_t* buffer) {
    if (!argument) {
        formatMessage(id, nullptr, buffer);
        return;
    }
    wchar_t wide[kMessageCapacity];
    widenFileCodePage(argument, wide, kMessageCapacity);
    formatMessage(id, wide, buffer);
}

bool setConfigEntry(int id, char* text) { return replaceEntry(g_narrow, id, text); }
bool setMessageEntry(int id, wchar_t* text) { return replaceEntry(g_wide, id, text); }
bool hasMessageEntry(int id) { return findWide(id) != nullptr; }

void clearConfiguration() {
    clearTable(g_narrow);
    clearTable(g_wide);
}
