// Runtime loading where no launch through the executable can reach: a
// java.exe that never ends (the real limit is a minute), the JVM library of
// an old JDK layout, a PATH longer than any fixed buffer, and a DLL directory
// that must really take part in the library search.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "jre/probe.h"
#include "jre/version.h"
#include "jvm/JavaVMLauncher.h"
#include "jvm/native_path.h"
#include "launcher/base/log.h"
#include "payload/config.h"

namespace {

std::string windowsPathFromEnv(const char* variable) {
    const char* value = std::getenv(variable);
    std::string path = std::string("Z:") + (value ? value : "");
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string jdkHome() { return windowsPathFromEnv("TLX_JDK_DIR"); }

std::string pathNow() {
    std::string value(32768, '\0');
    value.resize(GetEnvironmentVariableA("PATH", &value[0], static_cast<DWORD>(value.size())));
    return value;
}

std::string tempDirectory() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(path + "\\" + name);
            else DeleteFileA((path + "\\" + name).c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

// Leftovers of earlier runs (a directory whose jvm.dll stayed mapped cannot
// be removed while its test program runs) go at the start; the launcher log
// this program wrote goes at its end, so that no log of a unit test run is
// taken for one of a launcher run.
class Housekeeping : public ::testing::Environment {
public:
    void SetUp() override {
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((tempDirectory() + "tlxjre_*").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            removeTree(tempDirectory() + entry.cFileName);
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    void TearDown() override {
        if (const wchar_t* log = logFilePath()) DeleteFileW(log);
    }
};

const ::testing::Environment* const g_housekeeping = ::testing::AddGlobalTestEnvironment(new Housekeeping);

// Restores PATH (a loaded JVM library keeps its bin directory there by
// design) and the configuration, and removes its scratch directories.
class RuntimeLoading : public ::testing::Test {
protected:
    void SetUp() override {
        clearConfiguration();
        pathBefore_ = pathNow();
    }

    void TearDown() override {
        clearConfiguration();
        // Both copies: the one Windows keeps and the C runtime's.
        SetEnvironmentVariableA("PATH", pathBefore_.c_str());
        _putenv(("PATH=" + pathBefore_).c_str());
        for (const std::string& dir : scratchDirs_) removeTree(dir);
    }

    // A fresh directory under %TEMP%. Process ids repeat across runs under
    // Wine, and a directory whose library is still mapped survives its test:
    // a name is taken only when it is new.
    std::string scratch(const char* label) {
        static int counter = 0;
        char path[MAX_PATH * 2];
        do {
            std::snprintf(path, sizeof(path), "%stlxjre_%lu_%lu_%d_%s", tempDirectory().c_str(),
                          GetCurrentProcessId(), GetTickCount(), ++counter, label);
        } while (!CreateDirectoryA(path, nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
        scratchDirs_.push_back(path);
        return path;
    }

    // A runtime home whose bin\java.exe is tests/tools/java_standin.cpp, told
    // what to do by these lines; returns the java.exe.
    std::string standinRuntime(const std::vector<std::string>& lines) {
        std::string home = scratch("rt");
        CreateDirectoryA((home + "\\bin").c_str(), nullptr);
        std::string javaExe = home + "\\bin\\java.exe";
        std::string standin = windowsPathFromEnv("TLX_X64_DIR") + "\\tools\\java_standin.exe";
        EXPECT_TRUE(CopyFileA(standin.c_str(), javaExe.c_str(), FALSE)) << standin;
        FILE* config = std::fopen((home + "\\bin\\standin.cfg").c_str(), "wb");
        for (const std::string& line : lines) std::fprintf(config, "%s\n", line.c_str());
        std::fclose(config);
        return javaExe;
    }

    std::string pathBefore_;
    std::vector<std::string> scratchDirs_;
};

TEST_F(RuntimeLoading, HangingJavaIsKilledAndNotCached) {
    std::string exe = standinRuntime({"stderr java version \"1.8.0_45\"", "hang"});
    setJavaVersionTimeout(1500);
    char path[6000], version[2000];
    std::snprintf(path, sizeof(path), "%s", exe.c_str());
    DWORD started = GetTickCount();
    EXPECT_FALSE(checkJavaExe(path, version, parseVersion(""), parseVersion(""), kProbeUseCache));
    setJavaVersionTimeout(60000);
    EXPECT_LT(GetTickCount() - started, 20000u);
    std::string key = "SOFTWARE\\morvane\\kavro\\jvms\\" + exe;
    for (size_t i = key.size() - exe.size(); i < key.size(); ++i)
        if (key[i] == '\\') key[i] = '/';
    HKEY cached;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &cached), ERROR_SUCCESS)
        << "a runtime that never answered must be probed again next time";
}

// A JDK whose bin directory holds no JVM library keeps its runtime in jre\.
TEST_F(RuntimeLoading, JdkWithItsRuntimeInJre) {
    std::string jdk = scratch("oldjdk");
    for (const char* dir : {"\\bin", "\\jre", "\\jre\\bin", "\\jre\\bin\\client"})
        CreateDirectoryA((jdk + dir).c_str(), nullptr);
    std::string jvm = jdk + "\\jre\\bin\\client\\jvm.dll";
    std::string real = jdkHome() + "\\bin\\server\\jvm.dll";
    if (!CreateHardLinkA(jvm.c_str(), real.c_str(), nullptr)) {
        ASSERT_TRUE(CopyFileA(real.c_str(), jvm.c_str(), FALSE));
    }
    HMODULE library = loadJvmLibrary((jdk + "\\bin\\java.exe").c_str());
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(lookupCreateJavaVM(library));
    EXPECT_EQ(pathNow(), pathBefore_ + ";" + jdk + "\\bin\\..\\jre\\bin");
    FreeLibrary(library);  // lets the scratch directory go
}

TEST_F(RuntimeLoading, FailedCandidateRestoresALongPathExactly) {
    std::string longPath = pathBefore_ + ";" + std::string(13000, 'p');
    SetEnvironmentVariableA("PATH", longPath.c_str());
    EXPECT_EQ(loadJvmLibrary((scratch("nojvm") + "\\bin\\java.exe").c_str()), nullptr);
    EXPECT_EQ(pathNow(), longPath);
}

// The library is a copy of the JDK's C runtime under a name nothing else has.
TEST_F(RuntimeLoading, DllDirectoryIsSearchedUntilRemoved) {
    const DWORD searchUserDirs = 0x400;  // LOAD_LIBRARY_SEARCH_USER_DIRS
    std::string dir = scratch("dlldir");
    std::string name = "tlxprobe" + std::to_string(GetTickCount()) + ".dll";
    ASSERT_TRUE(CopyFileA((jdkHome() + "\\bin\\msvcr120.dll").c_str(), (dir + "\\" + name).c_str(), FALSE));
    EXPECT_EQ(LoadLibraryExA(name.c_str(), nullptr, searchUserDirs), nullptr);
    void* cookie = addLauncherDllDirectory(dir.c_str());
    ASSERT_NE(cookie, nullptr);
    HMODULE library = LoadLibraryExA(name.c_str(), nullptr, searchUserDirs);
    EXPECT_NE(library, nullptr);
    if (library) FreeLibrary(library);
    removeLauncherDllDirectory(cookie);
    EXPECT_EQ(LoadLibraryExA(name.c_str(), nullptr, searchUserDirs), nullptr);
}

}  // namespace
