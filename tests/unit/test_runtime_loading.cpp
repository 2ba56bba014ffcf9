// Runtime loading where no launch through the executable can reach: a
// java.exe that never ends (the real limit is a minute), the JVM library of
// an old JDK layout, a PATH longer than any fixed buffer, and a DLL directory
// that must really take part in the library search. First the Java version
// texts: parsing, one-sided bounds, both range tests, the pre-release rule and
// the newer-than order, as tables of cases.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "java_vm.h"
#include "jre/probe.h"
#include "jre/version.h"
#include "jvm/JavaVMLauncher.h"
#include "jvm/native_path.h"
#include "launcher/base/log.h"
#include "payload/config.h"

namespace {

TEST(Version, ParsesAtEveryDelimiterRun) {
    const struct {
        const char* text;
        VersionNumber expected;
    } cases[] = {
        {"1.8.0_45", {1, 8, 0, 45}},
        {"9.0.4+11", {9, 0, 4, 11}},
        {"1.7.0_80-b15", {1, 7, 0, 80, 0}},
        {"11-ea", {11, 0}},
        {"..1__8..", {1, 8}},
        {"1.8.0_ga", {1, 8, 0, 0}},
        {"-3", {3}},
        {" 7.x2", {7, 0}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseVersion(c.text), c.expected) << c.text;
    EXPECT_TRUE(parseVersion(nullptr).empty());
}

TEST(Version, OneSidedBoundsLookOnlyAsFarAsTheBound) {
    const struct {
        const char* bound;
        const char* candidate;
        bool upper, acceptShorter, expected;
    } cases[] = {
        {"1.8", "1.8", false, false, true},
        {"1.8", "9", false, false, true},
        {"1.8", "1.7.0_80", false, false, false},
        {"1.8", "1.10", false, false, true},
        {"1.10", "1.9", false, false, false},
        {"1.8", "1.8.0_191", true, false, true},
        {"1.8", "9", true, false, false},
        {"1.9", "1.10", true, false, false},
        {"1.8.0", "1.8", false, false, false},
        {"1.8.0", "1.8", false, true, true},
        {"1.8.0", "1.8", true, true, true},
        {"", "0", false, false, true},
        {"1", "", false, true, true},
        {"1", "", false, false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(meetsBound(parseVersion(c.bound), parseVersion(c.candidate), c.upper ? kUpperBound : kLowerBound,
                             c.acceptShorter ? kShorterPasses : kShorterFails),
                  c.expected)
            << c.candidate << (c.upper ? " <= " : " >= ") << c.bound << " shorter=" << c.acceptShorter;
}

TEST(Version, NewerThanOrder) {
    const struct {
        const char *a, *b;
        bool expected;
    } cases[] = {
        {"1.8.0_45", "1.8.0_45", false}, {"1.8.0_45", "", true},         {"", "1.8", false},
        {"1.8.0", "1.8", true},          {"1.10", "1.9", true},          {"1.8.0_101", "1.8.0_45", true},
        {"11.0.2", "1.8.0_191", true},   {"1.8.0_ga", "1.8.0_0", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isNewerVersion(c.a, c.b), c.expected) << c.a << " > " << c.b;
}

namespace fs = std::filesystem;

std::string pathNow() {
    std::string value(32768, '\0');
    value.resize(GetEnvironmentVariableA("PATH", &value[0], static_cast<DWORD>(value.size())));
    return value;
}

// Leftovers of earlier runs (a directory whose jvm.dll stayed mapped cannot
// be removed while its test program runs) go at the start; the launcher log
// this program wrote goes at its end, so that no log of a unit test run is
// taken for one of a launcher run.
class Housekeeping : public ::testing::Environment {
public:
    void SetUp() override {
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(fs::temp_directory_path(), ignored))
            if (entry.path().filename().string().rfind("tlxjre_", 0) == 0) fs::remove_all(entry.path(), ignored);
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
        std::error_code ignored;
        for (const std::string& dir : scratchDirs_) fs::remove_all(dir, ignored);
    }

    // A fresh directory under %TEMP%. Process ids repeat across runs under
    // Wine, and a directory whose library is still mapped survives its test:
    // a name is taken only when it is new.
    std::string scratch(const char* label) {
        static int counter = 0;
        char path[MAX_PATH * 2];
        std::string base = (fs::temp_directory_path() / "tlxjre").string();
        do {
            std::snprintf(path, sizeof(path), "%s_%lu_%lu_%d_%s", base.c_str(), GetCurrentProcessId(), GetTickCount(),
                          ++counter, label);
        } while (!CreateDirectoryA(path, nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
        scratchDirs_.push_back(path);
        return path;
    }

    std::string pathBefore_;
    std::vector<std::string> scratchDirs_;
};

TEST_F(RuntimeLoading, VersionRangeProbedAndRegistryRulesDiffer) {
    const struct {
        const char *version, *min, *max;
        bool probed;    // checkVersionRange (allowBeta false) ...
        bool registry;  // ... and checkRegistryVersionRange
    } cases[] = {
        {"1.8", "1.8.0", "", false, true},
        {"1.8.0_45", "1.8", "", true, true},
        {"1.7.0_80", "1.8", "", false, false},
        {"1.8.0_191", "1.6", "1.8", true, true},
        {"9.0.4", "1.6", "1.8", false, false},
        {"1.8.0_45-release", "", "", false, true},  // "ea" in "release"
        {"1.9.0-rc1", "", "", false, true},
        {"1.8.0-beta", "", "", false, true},
        {"1.8.0-BETA", "", "", true, true},  // case-sensitive
        {"1.8.0_ga", "1.8.0_0", "1.8.0_0", true, true},
        {"", "1.8", "", false, true},
        {"", "", "", true, true},
    };
    for (const auto& c : cases) {
        VersionNumber min = parseVersion(c.min);
        VersionNumber max = parseVersion(c.max);
        EXPECT_EQ(checkVersionRange(c.version, min, max, false), c.probed)
            << c.version << " in [" << c.min << ", " << c.max << "]";
        EXPECT_EQ(checkRegistryVersionRange(c.version, min, max), c.registry) << c.version;
    }
}

TEST_F(RuntimeLoading, VersionRangePreReleasesPassWhenAllowedByArgumentOrSetting) {
    VersionNumber none;
    EXPECT_FALSE(checkVersionRange("11-ea", none, none, false));
    EXPECT_TRUE(checkVersionRange("11-ea", none, none, true));
    EXPECT_FALSE(checkVersionRange("11-ea", parseVersion("12"), none, true));  // bounds still apply
    setConfigEntry(130, strdup("1"));
    EXPECT_TRUE(checkVersionRange("11-ea", none, none, false));
}

// The runtime's java.exe is tests/tools/java_standin.cpp, told by its
// standin.cfg to show a banner and hang.
TEST_F(RuntimeLoading, HangingJavaIsKilledAndNotCached) {
    std::string bin = scratch("rt") + "\\bin", exe = bin + "\\java.exe";
    fs::create_directory(bin);
    std::string standin = windowsPathFromEnv("TLX_X64_DIR") + "\\tools\\java_standin.exe";
    ASSERT_TRUE(CopyFileA(standin.c_str(), exe.c_str(), FALSE)) << standin;
    std::ofstream(bin + "\\standin.cfg") << "stderr java version \"1.8.0_45\"\nhang\n";
    setJavaVersionTimeout(1500);
    char path[6000], version[2000];
    std::snprintf(path, sizeof(path), "%s", exe.c_str());
    DWORD started = GetTickCount();
    EXPECT_FALSE(checkJavaExe(path, version, parseVersion(""), parseVersion(""), kProbeUseCache));
    setJavaVersionTimeout(60000);
    EXPECT_LT(GetTickCount() - started, 20000u);
    std::string key = "SOFTWARE\\morvane\\kavro\\jvms\\" + exe;
    std::replace(key.end() - exe.size(), key.end(), '\\', '/');
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
    std::string real = windowsPathFromEnv("TLX_JDK_DIR") + "\\bin\\server\\jvm.dll";
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
    std::string runtimeLibrary = windowsPathFromEnv("TLX_JDK_DIR") + "\\bin\\msvcr120.dll";
    ASSERT_TRUE(CopyFileA(runtimeLibrary.c_str(), (dir + "\\" + name).c_str(), FALSE));
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
