// The JRE location files: small text files whose first line names a JRE home,
// written by an earlier installation (or its installer) of the same application.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "jre/search.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/wformat.h"
#include "launcher/state.h"
#include "payload/config.h"

namespace {

bool readFirstLine(const wchar_t* file, char* line) {
    logMessage(L"Reading location file %s", file);
    FILE* stream = _wfopen(file, L"rb");
    if (!stream) return false;
    bool read = std::fgets(line, static_cast<int>(kPathCapacity), stream) != nullptr;
    std::fclose(stream);
    if (!read) return false;
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = '\0';
    return n > 0;
}

// The installation directory (configuration key 10003, "." in an installer
// payload) resolved against the launcher's directory, without trailing backslash.
bool installationFile(const wchar_t* name, wchar_t* file) {
    wchar_t configured[kPathCapacity];
    getConfigStringWide(kKeyInstallationDir, configured, kPathCapacity);
    wchar_t directory[kPathCapacity];
    if (!fullPath(configured, kKeepCase, directory, kPathCapacity)) return false;
    size_t n = std::wcslen(directory);
    if (n > 0 && directory[n - 1] == L'\\') directory[n - 1] = L'\0';
    return formatWide(file, kPathCapacity, L"%s\\.tolvanrix\\%s", directory, name) < kPathCapacity - 1;
}

bool readInstallationFile(const wchar_t* name, char* line) {
    wchar_t file[kPathCapacity];
    return installationFile(name, file) && readFirstLine(file, line);
}

}  // namespace

bool readPreferredLocation(char* line) { return readInstallationFile(L"pref_jre.cfg", line); }

bool readInstallationInstallerLocation(char* line) { return readInstallationFile(L"inst_jre.cfg", line); }

bool readExtractionInstallerLocation(char* line) {
    // Without an extraction directory the name would point at the root of the
    // current drive, a file nobody wrote for this launcher.
    if (!g_launcher.extractionDir[0]) return false;
    wchar_t file[kPathCapacity];
    formatWide(file, kPathCapacity, L"%S\\inst_jre.cfg", g_launcher.extractionDir);
    return readFirstLine(file, line);
}
