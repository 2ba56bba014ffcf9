// Probing java.exe candidates through real child processes: the real JDK and
// stand-ins for other versions. Covers the banner forms, probing past the
// cache, the time limit, javaw.exe for the GUI launcher kind and the JDK
// requirement.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "jre/probe.h"
#include "jre_support.h"
#include "launcher/base/paths.h"

using namespace jretest;

namespace {

const char kBanner18[] = "stderr java version \"1.8.0_45\"";

class Probe : public RuntimeTest {
protected:
    void TearDown() override {
        for (const std::string& exe : cached_) deleteKeyTree(HKEY_CURRENT_USER, probeCacheKey(exe));
        setJavaVersionTimeout(60000);
        RuntimeTest::TearDown();
    }

    // A stand-in runtime in a fresh directory; its cache entry goes at teardown.
    std::string standin(const std::vector<std::string>& lines) {
        std::string exe = makeStandinRuntime(scratch("rt"), lines);
        cached_.push_back(exe);
        return exe;
    }

    bool check(std::string& exe, std::string& version, const char* min = "", const char* max = "",
               bool allowBeta = false, bool useCache = true) {
        char path[6000];
        char found[2000] = "unset";
        std::snprintf(path, sizeof(path), "%s", exe.c_str());
        int options = (allowBeta ? kProbeAllowPreRelease : 0) | (useCache ? kProbeUseCache : 0);
        bool ok = checkJavaExe(path, found, parseVersion(min), parseVersion(max), options);
        exe = path;
        version = found;
        return ok;
    }

    std::vector<std::string> cached_;
};

std::string cachedVersion(const std::string& exe) {
    char value[2000] = "";
    DWORD size = sizeof(value) - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, probeCacheKey(exe).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<none>";
    if (RegQueryValueExA(key, "Version", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        size = 0;
    value[size] = '\0';
    RegCloseKey(key);
    return value;
}

TEST_F(Probe, RealJdkBannerWithTextAfterTheQuote) {
    std::string exe = jdkJavaExe();
    deleteKeyTree(HKEY_CURRENT_USER, probeCacheKey(exe));
    LogWatch log;
    std::string version;
    ASSERT_TRUE(check(exe, version, "1.8"));
    EXPECT_EQ(version, "11.0.2");
    EXPECT_NE(log.text().find("got version from execution 11.0.2"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("Java version: 11.0.2"), std::string::npos);
    EXPECT_EQ(cachedVersion(exe), "11.0.2");

    LogWatch second;
    ASSERT_TRUE(check(exe, version, "1.8"));
    EXPECT_EQ(version, "11.0.2");
    EXPECT_NE(second.text().find("got version from registry 11.0.2"), std::string::npos) << second.text();
    EXPECT_FALSE(check(exe, version, "12"));  // the cached version still meets the bounds
}

// The cache across starts (hits, a touched file, malformed entries, broken
// runtimes) is exercised through the real launcher; here only the caller that
// bypasses it.
TEST_F(Probe, WithoutTheCacheTheCandidateRunsAndIsStillCached) {
    std::string exe = standin({kBanner18});
    std::string version;
    ASSERT_TRUE(check(exe, version, "1.8"));
    ASSERT_TRUE(check(exe, version, "1.8"));
    EXPECT_EQ(standinRuns(exe), 1) << "the cached candidate must not be started";

    LogWatch log;
    ASSERT_TRUE(check(exe, version, "1.8", "", false, false));
    EXPECT_EQ(version, "1.8.0_45");
    EXPECT_EQ(standinRuns(exe), 2);
    EXPECT_NE(log.text().find("got version from execution 1.8.0_45"), std::string::npos) << log.text();
    EXPECT_EQ(cachedVersion(exe), "1.8.0_45");
}

struct BannerCase {
    std::vector<std::string> lines;
    bool accepted;
    const char* version;
};

TEST_F(Probe, BannerForms) {
    const std::string longOptions(300, 'x');
    const BannerCase cases[] = {
        {{kBanner18}, true, "1.8.0_45"},
        {{"stderr openjdk version \"1.8.0_292\"", "stderr OpenJDK Runtime Environment"}, true, "1.8.0_292"},
        {{"stderr java version \"9.0.4\" 2018-01-16"}, true, "9.0.4"},
        {{"stderr openjdk version \"17.0.1\" 2021-10-19 LTS"}, true, "17.0.1"},
        {{"stderr Picked up JAVA_TOOL_OPTIONS: -Dfile.encoding=UTF-8", kBanner18}, true, "1.8.0_45"},
        {{"stderr Picked up _JAVA_OPTIONS: -Xmx512m", "stderr Picked up JAVA_TOOL_OPTIONS: -Xss4m", kBanner18},
         true, "1.8.0_45"},
        {{"stderr Picked up JAVA_TOOL_OPTIONS: " + longOptions, kBanner18}, true, "1.8.0_45"},
        {{"stderr Error: could not open `C:\\jre\\lib\\amd64\\jvm.cfg'", kBanner18}, false, ""},
        {{"stderr Picked up JAVA_TOOL_OPTIONS: -Xmx1g", "stderr Error occurred during initialization of VM"}, false,
         ""},
        {{"stderr java version \"1.8.0_45"}, false, ""},
        {{"stderr java version \"\""}, false, ""},
        {{"stderr  java version \"1.8.0_45\""}, false, ""},
        {{}, false, ""},
    };
    for (const BannerCase& c : cases) {
        std::string exe = standin(c.lines);
        std::string version;
        EXPECT_EQ(check(exe, version), c.accepted) << (c.lines.empty() ? "<nothing>" : c.lines.back());
        EXPECT_EQ(version, c.version) << (c.lines.empty() ? "<nothing>" : c.lines.back());
    }
}

TEST_F(Probe, HangingRuntimeIsKilledAndNotCached) {
    std::string exe = standin({"stderr java version \"1.8.0_45\"", "hang"});
    setJavaVersionTimeout(1500);
    LogWatch log;
    DWORD started = GetTickCount();
    std::string version;
    EXPECT_FALSE(check(exe, version));
    EXPECT_LT(GetTickCount() - started, 20000u);
    EXPECT_NE(log.text().find("Exit Code 259"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("Terminating process"), std::string::npos);
    EXPECT_EQ(cachedVersion(exe), "<none>");
}

TEST_F(Probe, PathWithBlanksAndRelativePaths) {
    std::string home = scratch("with blank") + "\\java home";
    std::string exe = makeStandinRuntime(home, {kBanner18});
    cached_.push_back(exe);
    std::string version;
    ASSERT_TRUE(check(exe, version));
    EXPECT_EQ(version, "1.8.0_45");

    // A relative candidate belongs to the launcher's directory, whatever the
    // current directory is.
    char name[64];
    std::snprintf(name, sizeof(name), "tlxrel_%lu", GetCurrentProcessId());
    std::string underExe = std::string(exeDir8()) + name;
    std::string relativeExe = makeStandinRuntime(underExe, {kBanner18});
    cached_.push_back(relativeExe);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(scratch("elsewhere").c_str());
    std::string candidate = std::string(name) + "\\bin\\java.exe";
    bool ok = check(candidate, version);
    SetCurrentDirectoryA(previous);
    removeTree(underExe);
    EXPECT_TRUE(ok);
    EXPECT_EQ(_stricmp(candidate.c_str(), relativeExe.c_str()), 0) << candidate;
}

TEST_F(Probe, MissingFile) {
    std::string exe = scratch("none") + "\\bin\\java.exe";
    std::string version;
    LogWatch log;
    EXPECT_FALSE(check(exe, version));
    EXPECT_NE(log.text().find("file doesn't exist"), std::string::npos);
    EXPECT_NE(log.text().find("checkJavaExe returning 0"), std::string::npos);
}

TEST_F(Probe, GuiLauncherKindNeedsJavaw) {
    setConfig(107, "1");
    std::string exe = jdkJavaExe();
    std::string version;
    ASSERT_TRUE(check(exe, version));
    EXPECT_EQ(exe, jdkHome() + "\\bin\\javaw.exe");

    std::string lonely = standin({kBanner18});
    EXPECT_FALSE(check(lonely, version));
    EXPECT_EQ(lonely.substr(lonely.size() - 9), "javaw.exe");
}

TEST_F(Probe, JavaExeForHome) {
    std::string jre = scratch("jrehome");
    std::string jdk = scratch("jdkhome");
    makeStandinRuntime(jdk + "\\jre", {kBanner18});
    char exe[6000];
    ASSERT_TRUE(javaExeForHome(jre.c_str(), exe, sizeof(exe)));
    EXPECT_EQ(std::string(exe), jre + "\\bin\\java.exe");
    ASSERT_TRUE(javaExeForHome(jdk.c_str(), exe, sizeof(exe)));
    EXPECT_EQ(std::string(exe), jdk + "\\jre\\bin\\java.exe");

    setConfig(131, "1");
    EXPECT_FALSE(javaExeForHome(jre.c_str(), exe, sizeof(exe)));
    EXPECT_FALSE(javaExeForHome(jdk.c_str(), exe, sizeof(exe)));
    CreateDirectoryA((jdk + "\\lib").c_str(), nullptr);
    writeFile(jdk + "\\lib\\tools.jar", "");
    ASSERT_TRUE(javaExeForHome(jdk.c_str(), exe, sizeof(exe)));
    EXPECT_EQ(std::string(exe), jdk + "\\jre\\bin\\java.exe");

    char tiny[16];
    EXPECT_FALSE(javaExeForHome(jre.c_str(), tiny, sizeof(tiny)));
    EXPECT_LT(std::strlen(tiny), sizeof(tiny));
}

TEST_F(Probe, LocatedJvmRegistration) {
    std::string exe = scratch("located") + "\\bin\\java.exe";
    registerLocatedJvm(exe.c_str());
    std::string name = "SOFTWARE\\morvane\\kavro\\locatedjvms\\" + exe;
    for (size_t i = std::strlen("SOFTWARE\\morvane\\kavro\\locatedjvms\\"); i < name.size(); ++i)
        if (name[i] == '\\') name[i] = '/';
    HKEY key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, KEY_READ, &key);
    EXPECT_EQ(status, ERROR_SUCCESS) << name;
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    deleteKeyTree(HKEY_LOCAL_MACHINE, name);
}

}  // namespace
