// Loading the jvm.dll of a candidate java.exe: its bin directory joins the DLL
// directories and PATH (jvm.dll needs the runtime libraries beside it), the
// JVM subdirectories are tried in turn, and a failed attempt is rolled back.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "jvm/JavaVMLauncher.h"
#include "jvm/jvm_state.h"
#include "jvm/native_path.h"
#include "jvm/path_variable.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/proc_address.h"
#include "payload/config.h"

namespace {

const char* const kJvmSubdirectories[] = {"hotspot", "client", "server", "classic", "jrockit"};
constexpr size_t kJvmSubdirectoryCapacity = 201;

// Length of the java.exe or javaw.exe file name at the end of the path.
size_t fileNameLength(const char* javaExe) {
    size_t n = std::strlen(javaExe);
    size_t name = (n >= 9 && _stricmp(javaExe + n - 9, "javaw.exe") == 0) ? 9 : 8;
    return name <= n ? name : n;
}

// While a candidate's jvm.dll is tried, its bin directory is among the DLL
// directories and at the end of PATH; both are rolled back when the trial
// ends, unless the library loaded and keeps needing them.
class BinDirectoryTrial {
public:
    explicit BinDirectoryTrial(const char* binDir)
        : cookie_(addLauncherDllDirectory(binDir)), before_(readPathVariable()) {
        setPathVariable(PathVariable{true, before_.value + ";" + binDir}, L"Setting PATH");
    }
    ~BinDirectoryTrial() {
        if (kept_) return;
        removeLauncherDllDirectory(cookie_);
        setPathVariable(before_, L"Setting PATH");
    }
    BinDirectoryTrial(const BinDirectoryTrial&) = delete;
    BinDirectoryTrial& operator=(const BinDirectoryTrial&) = delete;
    void keep() { kept_ = true; }

private:
    void* cookie_;
    PathVariable before_;
    bool kept_ = false;
};

HMODULE trySubdirectory(const char* binDir, const char* subdirectory) {
    char file[kPathCapacity];
    std::snprintf(file, sizeof(file), "%s\\%s\\jvm.dll", binDir, subdirectory);
    bool exists = fileExists(file);
    logMessage(L"Trying %S (exists %d)", file, exists ? 1 : 0);
    HMODULE library = LoadLibraryA(file);
    DWORD error = GetLastError();
    if (!library && exists) logMessage(L"Failed with error code %d", static_cast<int>(error));
    return library;
}

HMODULE tryJavaExe(const char* javaExe) {
    char binDir[kPathCapacity];
    std::snprintf(binDir, sizeof(binDir), "%s", javaExe);
    char* slash = std::strrchr(binDir, '\\');
    if (slash) *slash = '\0';

    BinDirectoryTrial trial(binDir);
    HMODULE library = nullptr;
    char configured[kJvmSubdirectoryCapacity];
    getConfigString(kKeyJvmSubdirectory, configured, sizeof(configured));
    if (configured[0]) library = trySubdirectory(binDir, configured);
    for (const char* subdirectory : kJvmSubdirectories) {
        if (library) break;
        library = trySubdirectory(binDir, subdirectory);
    }
    if (library) trial.keep();
    return library;
}

}  // namespace

HMODULE loadJvmLibrary(const char* javaExe) {
    logMessage(L"Trying to load JVM-DLL from %S", javaExe);
    HMODULE library = tryJavaExe(javaExe);
    if (library) return library;
    // A JDK whose own bin directory holds no JVM keeps it in its jre subdirectory.
    char retry[kPathCapacity];
    size_t keep = std::strlen(javaExe) - fileNameLength(javaExe);
    std::snprintf(retry, sizeof(retry), "%.*s..\\jre\\bin\\java.exe", static_cast<int>(keep), javaExe);
    return tryJavaExe(retry);
}

bool lookupCreateJavaVM(HMODULE library) {
    g_jvm.createJavaVM = procAddress<CreateJavaVMFunction>(library, "JNI_CreateJavaVM");
    return g_jvm.createJavaVM != nullptr;
}

void recordChosenJre(const char* javaExe, const char* version) {
    size_t keep = std::strlen(javaExe) - fileNameLength(javaExe);
    std::snprintf(g_jvm.home, sizeof(g_jvm.home), "%.*s..", static_cast<int>(keep), javaExe);
    std::snprintf(g_jvm.version, sizeof(g_jvm.version), "%s", version);
    logMessage(L"JVM home %S, version %S", g_jvm.home, g_jvm.version);
}
