// The native library path: configured directories in front of PATH and added
// as DLL directories (checked by really loading a library through them), the
// DLL directory removal, and the common controls.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "jre_support.h"
#include "jvm/native_path.h"
#include "jvm/path_variable.h"
#include "launcher/base/paths.h"
#include "launcher/state.h"

using namespace jretest;

namespace {

constexpr DWORD kSearchUserDirs = 0x400;  // LOAD_LIBRARY_SEARCH_USER_DIRS

using NativePath = RuntimeTest;

TEST_F(NativePath, EmptySettingLeavesPathAsItWas) {
    LogWatch log;
    setupNativeLibraryPath();
    EXPECT_EQ(readPathVariable().value, pathBefore_.value);
    EXPECT_EQ(log.text().find("Adding DLL directory"), std::string::npos);
    EXPECT_NE(log.text().find("Setting PATH (native libs) " + pathBefore_.value), std::string::npos);
}

TEST_F(NativePath, DirectoriesGoInFrontInOrderWithVariablesAndRelativePaths) {
    std::string extraction = scratch("extract");
    std::snprintf(g_launcher.extractionDir, sizeof(g_launcher.extractionDir), "%s", extraction.c_str());
    CreateDirectoryA((extraction + "\\user").c_str(), nullptr);
    char relative[64];
    std::snprintf(relative, sizeof(relative), "tlxnative_%lu", GetCurrentProcessId());
    std::string underExe = std::string(exeDir8()) + relative;
    CreateDirectoryA(underExe.c_str(), nullptr);
    setConfig(10004, std::string("${launcher:sys.launcherTempDirectory}\\user;;") + relative);
    LogWatch log;
    setupNativeLibraryPath();
    RemoveDirectoryA(underExe.c_str());
    std::string expected = extraction + "\\user;" + underExe + ";" + pathBefore_.value;
    EXPECT_EQ(readPathVariable().value, expected);
    char fromCrt[32768];
    size_t needed = 0;
    getenv_s(&needed, fromCrt, sizeof(fromCrt), "PATH");
    EXPECT_EQ(std::string(fromCrt), expected);
    EXPECT_TRUE(log.inOrder({"native lib dir is ${launcher:sys.launcherTempDirectory}\\user;;" + std::string(relative),
                             "Adding DLL directory " + extraction + "\\user", "Adding DLL directory " + underExe,
                             "Setting PATH (native libs) " + expected}));
}

// The DLL directory really takes part in the library search, and stops doing
// so once removed. The library is a copy of the JDK's C runtime under a name
// nothing else has.
TEST_F(NativePath, DllDirectoryIsSearchedUntilRemoved) {
    std::string dir = scratch("dlldir");
    char name[64];
    std::snprintf(name, sizeof(name), "tlxprobe%lu.dll", GetTickCount());
    ASSERT_TRUE(copyFile(jdkHome() + "\\bin\\msvcr120.dll", dir + "\\" + name));
    EXPECT_EQ(LoadLibraryExA(name, nullptr, kSearchUserDirs), nullptr);
    void* cookie = addLauncherDllDirectory(dir.c_str());
    ASSERT_NE(cookie, nullptr);
    HMODULE library = LoadLibraryExA(name, nullptr, kSearchUserDirs);
    EXPECT_NE(library, nullptr);
    if (library) FreeLibrary(library);
    LogWatch log;
    removeLauncherDllDirectory(cookie);
    EXPECT_NE(log.text().find("Removing DLL directory"), std::string::npos);
    EXPECT_EQ(LoadLibraryExA(name, nullptr, kSearchUserDirs), nullptr);
    removeLauncherDllDirectory(nullptr);  // no cookie, nothing to do
}

TEST_F(NativePath, CommonControlsAreLoaded) {
    if (GetModuleHandleA("comctl32.dll")) GTEST_SKIP() << "comctl32.dll was loaded by an earlier test";
    loadCommonControls();
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    EXPECT_NE(GetProcAddress(comctl, "InitCommonControls"), nullptr);
}

}  // namespace
