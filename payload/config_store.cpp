// Storage and getters of the configuration store.
#include "payload/config.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>

#include "launcher/base/code_page.h"
#include "launcher/base/log.h"
#include "launcher/base/wformat.h"

namespace {

// Made once and never destroyed: a worker thread may still be inside a
// getter while the entry thread runs the at-exit actions (after Cancel, or
// std::exit), and a destroyed table would be freed memory under its feet.
std::map<int, char*>& narrowTable() {
    static std::map<int, char*>* table = new std::map<int, char*>();
    return *table;
}

std::map<int, wchar_t*>& wideTable() {
    static std::map<int, wchar_t*>* table = new std::map<int, wchar_t*>();
    return *table;
}

const char* findNarrow(int id) {
    auto it = narrowTable().find(id);
    return it == narrowTable().end() ? nullptr : it->second;
}

const wchar_t* findWide(int id) {
    auto it = wideTable().find(id);
    return it == wideTable().end() ? nullptr : it->second;
}

template <typename Map, typename Text>
void replaceEntry(Map& table, int id, Text* text) {
    auto it = table.find(id);
    if (it != table.end()) {
        std::free(it->second);
        it->second = text;
    } else {
        table.emplace(id, text);
    }
}

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
        logError(L"config string %d truncated (%d %d)", id, static_cast<int>(size),
                   static_cast<int>(length));
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

void setConfigEntry(int id, char* text) { replaceEntry(narrowTable(), id, text); }
void setMessageEntry(int id, wchar_t* text) { replaceEntry(wideTable(), id, text); }
bool hasMessageEntry(int id) { return findWide(id) != nullptr; }

void clearConfiguration() {
    for (auto& entry : narrowTable()) std::free(entry.second);
    for (auto& entry : wideTable()) std::free(entry.second);
    narrowTable().clear();
    wideTable().clear();
}
