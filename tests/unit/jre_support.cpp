// Set-up helpers of the runtime tests (see jre_support.h).
#include "jre_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "launcher/base/log.h"
#include "launcher/state.h"
#include "payload/config.h"

namespace jretest {

std::string windowsPathFromEnv(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || !value[0]) return "";
    std::string path = std::string("Z:") + value;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string jdkHome() { return windowsPathFromEnv("TLX_JDK_DIR"); }
std::string jdkJavaExe() { return jdkHome() + "\\bin\\java.exe"; }
std::string standinExe() { return windowsPathFromEnv("TLX_X64_DIR") + "\\tools\\java_standin.exe"; }
std::string wrongBitnessJvm() { return windowsPathFromEnv("TLX_X86_DIR") + "\\tools\\jvm.dll"; }

std::string makeScratchDirectory(const char* label) {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char path[MAX_PATH * 2];
    // Process ids repeat across runs under Wine, and a directory whose library
    // is still mapped survives its test: a name is taken only when it is new.
    do {
        std::snprintf(path, sizeof(path), "%stlxjre_%lu_%lu_%d_%s", temp, GetCurrentProcessId(), GetTickCount(),
                      ++counter, label);
    } while (!CreateDirectoryA(path, nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    return path;
}

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

bool copyFile(const std::string& from, const std::string& to) { return CopyFileA(from.c_str(), to.c_str(), FALSE); }

void linkTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        std::string source = from + "\\" + name;
        std::string target = to + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            linkTree(source, target);
        } else if (!CreateHardLinkA(target.c_str(), source.c_str(), nullptr)) {
            EXPECT_TRUE(copyFile(source, target)) << target;
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

std::string makeStandinRuntime(const std::string& home, const std::vector<std::string>& standinLines) {
    CreateDirectoryA(home.c_str(), nullptr);
    std::string bin = home + "\\bin";
    CreateDirectoryA(bin.c_str(), nullptr);
    std::string javaExe = bin + "\\java.exe";
    EXPECT_TRUE(copyFile(standinExe(), javaExe)) << standinExe();
    std::string config;
    for (const std::string& line : standinLines) config += line + "\n";
    writeFile(bin + "\\standin.cfg", config);
    return javaExe;
}

int standinRuns(const std::string& javaExe) {
    std::string runs = readFile(javaExe.substr(0, javaExe.find_last_of('\\')) + "\\runs.log");
    int lines = 0;
    for (char c : runs)
        if (c == '\n') ++lines;
    return lines;
}

void deleteKeyTree(HKEY root, const std::string& key, REGSAM view) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS | view, &handle) != ERROR_SUCCESS) return;
    std::vector<std::string> children;
    char name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(handle, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.push_back(name);
    }
    RegCloseKey(handle);
    for (const std::string& child : children) deleteKeyTree(root, key + "\\" + child, view);
    // Deleting relative to the parent opened in the same view reaches the
    // 32-bit view's copy too.
    size_t slash = key.find_last_of('\\');
    std::string parent = slash == std::string::npos ? "" : key.substr(0, slash);
    std::string leaf = slash == std::string::npos ? key : key.substr(slash + 1);
    HKEY parentHandle;
    if (RegOpenKeyExA(root, parent.c_str(), 0, KEY_ALL_ACCESS | view, &parentHandle) != ERROR_SUCCESS) return;
    RegDeleteKeyA(parentHandle, leaf.c_str());
    RegCloseKey(parentHandle);
}

void setStringValue(HKEY root, const std::string& key, const char* name, const std::string& value, REGSAM view) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &handle, nullptr),
              ERROR_SUCCESS)
        << key;
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

std::string probeCacheKey(const std::string& javaExe) {
    std::string key = "SOFTWARE\\morvane\\kavro\\jvms\\" + javaExe;
    for (size_t i = std::strlen("SOFTWARE\\morvane\\kavro\\jvms\\"); i < key.size(); ++i)
        if (key[i] == '\\') key[i] = '/';
    return key;
}

namespace {

std::string logPath() {
    const wchar_t* path = logFilePath();
    if (!path) {
        logMessage(L"unit tests of the runtime search");
        path = logFilePath();
    }
    if (!path) return "";
    char narrow[MAX_PATH * 4];
    WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof(narrow), nullptr, nullptr);
    return narrow;
}

}  // namespace

LogWatch::LogWatch() { start_ = static_cast<long long>(readFile(logPath()).size()); }

std::string LogWatch::text() const {
    std::string all = readFile(logPath());
    return all.size() > static_cast<size_t>(start_) ? all.substr(static_cast<size_t>(start_)) : "";
}

bool inOrder(const std::string& all, const std::vector<std::string>& needles) {
    size_t at = 0;
    for (const std::string& needle : needles) {
        size_t found = all.find(needle, at);
        if (found == std::string::npos) {
            ADD_FAILURE() << "not found in order: " << needle;
            return false;
        }
        at = found + needle.size();
    }
    return true;
}

namespace {

const char kPrivateRegistryName[] = "tlxtest_";

}  // namespace

// The machine-wide JavaSoft keys and the located JVM lists have fixed names
// that every launcher started in the prefix reads: each test gets private
// stand-ins for HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER (keys of the real
// registry, seen only by this process), so that nothing it registers can
// reach a launcher another test starts meanwhile.
void RuntimeTest::overrideRegistry() {
    char name[128];
    std::snprintf(name, sizeof(name), "Software\\%s%lu_%lu", kPrivateRegistryName, GetCurrentProcessId(),
                  GetTickCount());
    privateRegistry_ = name;
    HKEY machine;
    HKEY user;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (privateRegistry_ + "\\machine").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &machine, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (privateRegistry_ + "\\user").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &user, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, user), ERROR_SUCCESS);
    RegCloseKey(machine);
    RegCloseKey(user);
}

void RuntimeTest::restoreRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (!privateRegistry_.empty()) deleteKeyTree(HKEY_CURRENT_USER, privateRegistry_);
}

void RuntimeTest::SetUp() {
    overrideRegistry();
    clearConfiguration();
    pathBefore_ = readPathVariable();
    savedExtractionDir_ = g_launcher.extractionDir;
}

void RuntimeTest::TearDown() {
    clearConfiguration();
    SetEnvironmentVariableA("PATH", pathBefore_.value.c_str());
    _putenv(("PATH=" + pathBefore_.value).c_str());
    for (auto& saved : savedEnv_) {
        SetEnvironmentVariableA(saved.first.c_str(), saved.second.first ? saved.second.second.c_str() : nullptr);
        std::string assignment = saved.first + "=" + (saved.second.first ? saved.second.second : "");
        _putenv(assignment.c_str());
    }
    std::snprintf(g_launcher.extractionDir, sizeof(g_launcher.extractionDir), "%s", savedExtractionDir_.c_str());
    for (const std::string& dir : scratchDirs_) removeTree(dir);
    restoreRegistry();
}

void RuntimeTest::setConfig(int id, const std::string& value) {
    char* copy = static_cast<char*>(std::malloc(value.size() + 1));
    std::memcpy(copy, value.c_str(), value.size() + 1);
    setConfigEntry(id, copy);
}

void RuntimeTest::setEnv(const char* name, const char* value) {
    if (!savedEnv_.count(name)) {
        char old[32768];
        DWORD n = GetEnvironmentVariableA(name, old, sizeof(old));
        savedEnv_[name] = {n > 0 && n < sizeof(old), n > 0 && n < sizeof(old) ? old : ""};
    }
    SetEnvironmentVariableA(name, value);
}

std::string RuntimeTest::scratch(const char* label) {
    std::string dir = makeScratchDirectory(label);
    scratchDirs_.push_back(dir);
    return dir;
}

namespace {

// Leftovers of earlier runs (a directory whose jvm.dll stayed mapped cannot
// be removed while its test program runs) go at the start; the launcher log
// this program wrote goes at its end, so that no log of a unit test run is
// mistaken for one of a launcher run.
class Housekeeping : public ::testing::Environment {
    static void removeLeftoverRegistries() {
        HKEY software;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &software) != ERROR_SUCCESS) return;
        std::vector<std::string> leftovers;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof(name);
            if (RegEnumKeyExA(software, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (std::strncmp(name, kPrivateRegistryName, std::strlen(kPrivateRegistryName)) == 0)
                leftovers.push_back(std::string("Software\\") + name);
        }
        RegCloseKey(software);
        for (const std::string& key : leftovers) deleteKeyTree(HKEY_CURRENT_USER, key);
    }

public:
    void SetUp() override {
        removeLeftoverRegistries();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((std::string(temp) + "tlxjre_*").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            removeTree(std::string(temp) + entry.cFileName);
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    void TearDown() override {
        if (const wchar_t* log = logFilePath()) DeleteFileW(log);
    }
};

const ::testing::Environment* const g_housekeeping = ::testing::AddGlobalTestEnvironment(new Housekeeping);

}  // namespace

}  // namespace jretest
