// Option lines and ".vmoptions" files: the four line prefixes, includes with
// their resolution against the including file, and the line reader.
#include "jvm/vm_options.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "jvm/expand.h"
#include "launcher/base/arguments.h"
#include "launcher/base/code_page.h"
#include "launcher/base/letter_case.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/wformat.h"

namespace {

// Deep enough for any sensible chain; it also ends cycles that the open-file
// test cannot see (the same file reached under a second name).
constexpr size_t kMaxIncludeDepth = 32;

constexpr wchar_t kInclude[] = L"-include-options ";
constexpr wchar_t kReplace[] = L"-classpath ";
constexpr wchar_t kPrepend[] = L"-classpath/p ";
constexpr wchar_t kAppend[] = L"-classpath/a ";

template <size_t N>
const wchar_t* afterPrefix(const wchar_t* line, const wchar_t (&prefix)[N]) {
    return std::wcsncmp(line, prefix, N - 1) == 0 ? line + (N - 1) : nullptr;
}

void setSlot(std::string& slot, bool& isSet, const wchar_t* text) {
    slot = narrowOption(text);
    isSet = true;
}

std::wstring comparableName(const wchar_t* path) {
    wchar_t full[kPathCapacity];
    DWORD n = GetFullPathNameW(path, kPathCapacity, full, nullptr);
    std::wstring name = (n > 0 && n < kPathCapacity) ? full : path;
    if (!name.empty()) toLowerCase(&name[0], name.size());
    return name;
}

// False (and logged) when reading the file now would never end.
bool mayRead(const wchar_t* fullName, const VmOptions& options) {
    if (options.openFiles.size() >= kMaxIncludeDepth) {
        logError(L"-include-options %s not read: more than %d nested files", fullName,
                 static_cast<int>(kMaxIncludeDepth));
        return false;
    }
    std::wstring name = comparableName(fullName);
    for (const std::wstring& open : options.openFiles) {
        if (open == name) {
            logError(L"-include-options %s not read: it includes itself", fullName);
            return false;
        }
    }
    return true;
}

void includeOptionsFile(const wchar_t* rawName, const wchar_t* sourceFile, VmOptions& options) {
    std::vector<wchar_t> expanded(kPathCapacity);
    formatWide(expanded.data(), kPathCapacity, L"%s", rawName);
    expandVariables(expanded.data(), kPathCapacity, kFullUnicode);
    logMessage(L"after exp from %s %s", expanded.data(), rawName);

    std::vector<wchar_t> fullName(kPathCapacity);
    if (!resolvePath(expanded.data(), sourceFile, kLongExeDir, fullName.data(), kPathCapacity)) {
        logError(L"-include-options %s not read: the path is too long", expanded.data());
        return;
    }
    if (!mayRead(fullName.data(), options)) return;
    FILE* file = _wfopen(fullName.data(), L"rt");
    logMessage(L"adding vmoptions from (%p) <%s> (%s)", file, fullName.data(), expanded.data());
    if (file) readTrackedOptionsFile(file, fullName.data(), fullName.data(), options);
    logMessage(L"adding vmoptions 2");
    logMessage(L"adding vmoptions 3");
}

// Cuts line ends, then blanks (spaces only) at both ends; returns the start.
char* trimLine(char* line) {
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\r' || line[n - 1] == '\n')) line[--n] = '\0';
    while (n > 0 && line[n - 1] == ' ') line[--n] = '\0';
    while (*line == ' ') ++line;
    return line;
}

}  // namespace

std::string narrowOption(const wchar_t* text) {
    std::string narrow(std::wcslen(text) * 4 + 1, '\0');
    toFileCodePage(text, &narrow[0], narrow.size());
    narrow.resize(std::strlen(narrow.c_str()));
    return narrow;
}

void addOptionLine(const wchar_t* line, const wchar_t* sourceFile, VmOptions& options) {
    if (const wchar_t* rest = afterPrefix(line, kInclude)) {
        includeOptionsFile(rest, sourceFile, options);
    } else if (const wchar_t* replace = afterPrefix(line, kReplace)) {
        setSlot(options.replaceSlot, options.hasReplace, replace);
    } else if (const wchar_t* prepend = afterPrefix(line, kPrepend)) {
        setSlot(options.prependSlot, options.hasPrepend, prepend);
    } else if (const wchar_t* append = afterPrefix(line, kAppend)) {
        setSlot(options.appendSlot, options.hasAppend, append);
    } else {
        options.options.push_back(narrowOption(line));
    }
}

void addOptionList(const ArgumentList& list, VmOptions& options) {
    for (int i = 0; i < list.count(); ++i) {
        if (std::wcscmp(list.at(i), L"-include-options") == 0 && i + 1 < list.count()) {
            std::wstring joined = std::wstring(list.at(i)) + L" " + list.at(i + 1);
            addOptionLine(joined.c_str(), nullptr, options);
            ++i;
        } else {
            addOptionLine(list.at(i), nullptr, options);
        }
    }
}

void readTrackedOptionsFile(FILE* file, const wchar_t* fullName, const wchar_t* sourcePath, VmOptions& options) {
    options.openFiles.push_back(comparableName(fullName));
    readVmOptionsFile(file, sourcePath, options);
    options.openFiles.pop_back();
}

void readVmOptionsFile(FILE* file, const wchar_t* path, VmOptions& options) {
    std::vector<char> piece(kOptionLineCapacity);
    std::vector<wchar_t> line(kOptionLineCapacity);
    while (std::fgets(piece.data(), static_cast<int>(piece.size()), file)) {
        const char* text = trimLine(piece.data());
        if (text[0] == '\0' || text[0] == '#') continue;
        fromFileCodePage(text, line.data(), line.size());
        expandVariables(line.data(), line.size(), kEightBitSafe);
        addOptionLine(line.data(), path, options);
    }
    std::fclose(file);
}
