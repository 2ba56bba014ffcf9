// The class path option and the configured class path entries (A archive,
// D directory, E environment variable, S directory of archives).
#include "jvm/class_path.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "jvm/expand.h"
#include "jvm/vm_option_list.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/paths.h"
#include "launcher/base/scoped.h"
#include "launcher/errors.h"
#include "launcher/state.h"
#include "payload/config.h"

namespace {

void appendWithExtension(std::string& classPath, const std::string& directory, const char* extension) {
    std::string pattern = directory + "\\*." + extension;
    WIN32_FIND_DATAA entry;
    ScopedFindHandle find(FindFirstFileA(pattern.c_str(), &entry));
    if (!find.valid()) return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        classPath += directory + "\\" + entry.cFileName + ";";
    } while (FindNextFileA(find.get(), &entry));
}

// Relative values are taken relative to the executable's directory.
std::string absolute(const char* value) {
    char full[kPathCapacity];
    return fullPath(value, kKeepCase, full, sizeof(full)) ? std::string(full) : std::string(value);
}

// The variable's value, cut to the setting capacity; false when it is unset
// or empty (an empty value cannot name a class path entry either).
bool readVariable(const char* name, std::string& value) {
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed <= 1) return false;
    std::vector<char> buffer(needed);
    DWORD n = GetEnvironmentVariableA(name, buffer.data(), needed);
    if (n == 0 || n >= needed) return false;
    value.assign(buffer.data(), n < kPathCapacity ? n : kPathCapacity - 1);
    return true;
}

bool appendVariable(std::string& classPath, const char* name) {
    std::string value;
    if (!readVariable(name, value)) return false;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    classPath += value;
    if (value.empty() || value.back() != ';') classPath += ';';
    return true;
}

void appendEntry(std::string& classPath, const char* entry) {
    char type = entry[0];
    bool mandatory = entry[1] == '1';
    char value[kPathCapacity];
    std::snprintf(value, sizeof(value), "%s", entry[1] ? entry + 2 : "");
    expandVariablesAnsi(value, sizeof(value));
    bool found = false;
    switch (type) {
        case 'A':
        case 'D': {
            std::string path = absolute(value);
            classPath += path + ";";
            found = fileExists(path.c_str());
            break;
        }
        case 'E':
            found = appendVariable(classPath, value);
            if (!found && mandatory) failMessageArg8(kMsgClassPathVariableMissing, value);
            break;
        case 'S': {
            std::string path = absolute(value);
            appendWithExtension(classPath, path, "jar");
            appendWithExtension(classPath, path, "zip");
            found = isDirectory(path.c_str());
            break;
        }
        default:
            // An unknown type contributes nothing and cannot be missing.
            return;
    }
    if (mandatory && !found) failMessageArg8(kMsgClassPathEntryMissing, value);
}

// The JVM is created in the application's working directory (key 146) when
// one is set; an entry relative to the extraction directory, the current one
// still, must then be a full path.
std::string anchoredEntries(const std::string& entries) {
    std::string anchored;
    size_t start = 0;
    for (;;) {
        size_t end = entries.find(';', start);
        std::string entry = entries.substr(start, end == std::string::npos ? end : end - start);
        char full[kPathCapacity];
        DWORD n = entry.empty() || !isRelativePath(entry.c_str())
                      ? 0
                      : GetFullPathNameA(entry.c_str(), sizeof(full), full, nullptr);
        anchored += n > 0 && n < sizeof(full) ? std::string(full) : entry;
        if (end == std::string::npos) return anchored;
        anchored += ';';
        start = end + 1;
    }
}

}  // namespace

void appendArchives(std::string& classPath, const std::string& directory) {
    if (directory.empty()) return;
    appendWithExtension(classPath, directory, "jar");
    appendWithExtension(classPath, directory, "zip");
}

void appendConfiguredClassPath(std::string& classPath) {
    char entries[kPathCapacity];
    getConfigString(kKeyClassPath, entries, sizeof(entries));
    logMessage(L"classpath entry %S", entries);
    std::vector<const char*> pieces;
    for (char* piece = std::strtok(entries, ";"); piece; piece = std::strtok(nullptr, ";")) pieces.push_back(piece);
    logMessage(L"classpath entries %d", static_cast<int>(pieces.size()));
    for (const char* piece : pieces) appendEntry(classPath, piece);
}

std::string classPathOption(const VmOptions& options) {
    std::string classPath = "-Djava.class.path=";
    if (options.hasPrepend) classPath += options.prependSlot + ";";
    std::string extraction = g_launcher.extractionDir;
    appendArchives(classPath, extraction);
    if (!extraction.empty()) appendArchives(classPath, extraction + "\\user");
    if (options.hasReplace) {
        classPath += options.replaceSlot;
    } else {
        appendConfiguredClassPath(classPath);
    }
    if (options.hasAppend) {
        if (classPath.back() != ';') classPath += ';';
        classPath += options.appendSlot;
    }
    if (classPath.back() == ';') classPath.pop_back();
    if (g_launcher.workingDirectory[0] == L'\0') return classPath;
    const size_t prefix = sizeof("-Djava.class.path=") - 1;
    return classPath.substr(0, prefix) + anchoredEntries(classPath.substr(prefix));
}
