// The JRE search through LoadDLL in Wine's real registry and file system with
// the real JDK: every source that can lead to it, the order of the places,
// refusals that must not end the search, and the lenient pass.
//
// The JavaSoft keys and the located JVM lists they write live in the private
// registry stand-ins of the shared fixture.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "jre/probe.h"
#include "jre/search.h"
#include "jre_support.h"
#include "jvm/jvm_state.h"
#include "jvm/path_variable.h"
#include "launcher/base/paths.h"
#include "launcher/state.h"

using namespace jretest;

namespace {

const char kJavaSoft[] = "SOFTWARE\\JavaSoft";
const char kClassicJre[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char kModernJdk[] = "SOFTWARE\\JavaSoft\\JDK";
const char kModernJre[] = "SOFTWARE\\JavaSoft\\JRE";
const char kLocated[] = "SOFTWARE\\morvane\\kavro\\locatedjvms";
const char kInstallations[] = "SOFTWARE\\morvane\\tolvanrix\\installations";

std::string banner(const char* version) { return std::string("stderr java version \"") + version + "\""; }

class Search : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        installDir_ = scratch("install");
        setConfig(10003, installDir_);
        extraction_ = scratch("extract");
        std::snprintf(g_launcher.extractionDir, sizeof(g_launcher.extractionDir), "%s", extraction_.c_str());
        for (const char* name : {"JAVA_HOME", "JDK_HOME", "KAVRO_JAVA_HOME", "TOLVANRIX_JAVA_HOME"})
            setEnv(name, nullptr);
        g_jvm = JvmState();
    }

    void TearDown() override {
        setJavaVersionTimeout(60000);
        g_jvm = JvmState();
        RuntimeTest::TearDown();
    }

    void addLocated(HKEY root, const std::string& exe) {
        std::string name = std::string(kLocated) + "\\" + exe;
        for (size_t i = std::strlen(kLocated) + 1; i < name.size(); ++i)
            if (name[i] == '\\') name[i] = '/';
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(root, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    std::string standinHome(const char* label, const std::vector<std::string>& lines) {
        std::string home = scratch(label);
        std::string exe = makeStandinRuntime(home, lines);
        deleteKeyTree(HKEY_CURRENT_USER, probeCacheKey(exe));
        return home;
    }

    // The JDK as the "CurrentVersion" of a JavaSoft key, searched for through
    // the registry only.
    void registerJdkAsCurrentVersion(const char* key) {
        setStringValue(HKEY_LOCAL_MACHINE, key, "CurrentVersion", "11.0.2");
        setStringValue(HKEY_LOCAL_MACHINE, std::string(key) + "\\11.0.2", "JavaHome", jdkHome());
        setConfig(128, "Y");
        setConfig(126, "1.8");
    }

    // Runs LoadDLL (a search when no location is given); returns what the log gained.
    static std::string search(bool expectLoaded, const char* location = nullptr, bool isJavaExe = false) {
        LogWatch log;
        JreLocation kind = isJavaExe ? JreLocation::kJavaExe : JreLocation::kHome;
        EXPECT_EQ(LoadDLL(JreFailure::kQuiet, location, kind), expectLoaded) << log.text();
        return log.text();
    }

    // The JDK won: recorded as the chosen runtime, its library loaded.
    void expectJdkChosen(const std::string& log) {
        EXPECT_NE(log.find("Loading of JVM-DLL successful"), std::string::npos) << log;
        EXPECT_EQ(std::string(g_jvm.home), jdkHome() + "\\bin\\..");
        EXPECT_STREQ(g_jvm.version, "11.0.2");
        EXPECT_NE(g_jvm.library, nullptr);
        EXPECT_NE(g_jvm.createJavaVM, nullptr);
        EXPECT_NE(log.find("JVM home " + jdkHome() + "\\bin\\.., version 11.0.2"), std::string::npos);
    }

    std::string installDir_;
    std::string extraction_;
};

TEST_F(Search, OrderOfPlacesWithNothingInstalled) {
    setConfig(128, "Y;EJAVA_HOME;EJDK_HOME;");
    setConfig(160, "tlx_order_app");
    std::string log = search(false);
    EXPECT_TRUE(inOrder(log, {"LoadDLL (0, , 0)",
                             "Searching for a JVM",
                             "MinVersion: , MaxVersion: ",
                             "Reading location file " + installDir_ + "\\.tolvanrix\\pref_jre.cfg",
                             "Reading location file " + extraction_ + "\\inst_jre.cfg",
                             "Testing location  (type Y)",
                             "checking JavaSoft keys of Java 9 and later",
                             "Testing location JAVA_HOME (type E)",
                             "Checking environment variable JAVA_HOME",
                             "Testing location JDK_HOME (type E)",
                             "Checking environment variable JDK_HOME",
                             "Reading location file " + installDir_ + "\\.tolvanrix\\inst_jre.cfg",
                             "checking app id tlx_order_app (0, ",
                             "80000001)",
                             "checking app id tlx_order_app (512, ",
                             "80000001)",
                             "checking app id tlx_order_app (0, ",
                             "80000002)",
                             "checking app id tlx_order_app (512, ",
                             "80000002)",
                             "Search sequence finished",
                             "Checking environment variable KAVRO_JAVA_HOME",
                             "Checking environment variable TOLVANRIX_JAVA_HOME",
                             "ERROR: No JVM found"}))
        << log;
    EXPECT_EQ(log.find("Testing relative location"), std::string::npos);
}

TEST_F(Search, ClassicRuntimeKeyFamilyNameAndSubkeyOrder) {
    // A version-family key name ("1.8") passes a minimum of "1.8.0"; the
    // runtime behind it is then probed for its real version.
    setStringValue(HKEY_LOCAL_MACHINE, std::string(kClassicJre) + "\\1.8", "JavaHome", jdkHome());
    setConfig(128, "Y");
    setConfig(126, "1.8.0");
    std::string first = search(true);
    expectJdkChosen(first);
    deleteKeyTree(HKEY_LOCAL_MACHINE, kJavaSoft);

    // Subkeys are visited from the end of their byte order: 1.8.0_45 before 1.8.0_101.
    std::string old = standinHome("rt45", {banner("1.8.0_45")});
    std::string newer = standinHome("rt101", {banner("1.8.0_101")});
    setStringValue(HKEY_LOCAL_MACHINE, std::string(kClassicJre) + "\\1.8.0_45", "JavaHome", old);
    setStringValue(HKEY_LOCAL_MACHINE, std::string(kClassicJre) + "\\1.8.0_101", "JavaHome", newer);
    setStringValue(HKEY_LOCAL_MACHINE, std::string(kClassicJre) + "\\1.7.0_80", "JavaHome", jdkHome());
    PathVariable pathBefore = readPathVariable();
    std::string log = search(false);
    EXPECT_NE(log.find("found sun " + old + "\\bin\\java.exe 1.8.0_45"), std::string::npos) << log;
    EXPECT_EQ(log.find("checkJavaExe (" + newer), std::string::npos);
    EXPECT_EQ(log.find("checkJavaExe (" + jdkJavaExe()), std::string::npos) << "1.7.0_80 is out of range";
    // Accepted but its library did not load: recorded all the same.
    EXPECT_NE(log.find("ERROR: Could not get DLL-Handle."), std::string::npos);
    EXPECT_NE(log.find("ERROR: Could not load functions"), std::string::npos);
    EXPECT_EQ(std::string(g_jvm.home), old + "\\bin\\..");
    EXPECT_STREQ(g_jvm.version, "1.8.0_45");
    EXPECT_EQ(readPathVariable().value, pathBefore.value);
}

TEST_F(Search, JavaNineAndLaterKeys) {
    registerJdkAsCurrentVersion(kModernJdk);
    std::string log = search(true);
    EXPECT_TRUE(inOrder(log, {"checking JavaSoft keys of Java 9 and later", "found sun " + jdkJavaExe() + " 11.0.2"}));
    expectJdkChosen(log);

    // Without "CurrentVersion", through the subkeys of the runtime key.
    deleteKeyTree(HKEY_LOCAL_MACHINE, kJavaSoft);
    g_jvm = JvmState();
    setStringValue(HKEY_LOCAL_MACHINE, std::string(kModernJre) + "\\11", "JavaHome", jdkHome());
    std::string subkeys = search(true);
    expectJdkChosen(subkeys);

    // The JavaSoft keys are skipped altogether when only the launcher's own
    // runtime store counts.
    setConfig(165, "1");
    std::string restricted = search(false);
    EXPECT_EQ(restricted.find("found sun"), std::string::npos);
}

TEST_F(Search, KavroAndTolvanrixJavaHome) {
    setEnv("KAVRO_JAVA_HOME", jdkHome().c_str());
    std::string log = search(true);
    EXPECT_TRUE(inOrder(log, {"Search sequence finished", "Checking environment variable KAVRO_JAVA_HOME",
                             "Loading of JVM-DLL successful"}));
    expectJdkChosen(log);

    setEnv("KAVRO_JAVA_HOME", nullptr);
    setEnv("TOLVANRIX_JAVA_HOME", jdkHome().c_str());
    g_jvm = JvmState();
    std::string second = search(true);
    EXPECT_TRUE(inOrder(second, {"Checking environment variable TOLVANRIX_JAVA_HOME", "Loading of JVM-DLL successful"}));
    expectJdkChosen(second);
}

TEST_F(Search, LocationFiles) {
    CreateDirectoryA((installDir_ + "\\.tolvanrix").c_str(), nullptr);
    writeFile(installDir_ + "\\.tolvanrix\\pref_jre.cfg", jdkHome() + "\r\nC:\\second\\line\r\n");
    setConfig(126, "1.8");
    std::string log = search(true);
    EXPECT_TRUE(inOrder(log, {"Has preferred location " + jdkHome(), "Using preferred location",
                             "Loading of JVM-DLL successful"}));
    EXPECT_EQ(log.find("Testing location"), std::string::npos);
    expectJdkChosen(log);
    DeleteFileA((installDir_ + "\\.tolvanrix\\pref_jre.cfg").c_str());

    // The installer's file in the extraction directory, then the one of the installation.
    for (std::string file : {extraction_ + "\\inst_jre.cfg", installDir_ + "\\.tolvanrix\\inst_jre.cfg"}) {
        writeFile(file, jdkHome() + "\n");
        g_jvm = JvmState();
        std::string next = search(true);
        EXPECT_TRUE(inOrder(next, {"Has installer location " + jdkHome(), "Using installer location"}));
        expectJdkChosen(next);
        DeleteFileA(file.c_str());
    }

    // A runtime below the minimum named by the file is passed over.
    writeFile(installDir_ + "\\.tolvanrix\\pref_jre.cfg", jdkHome() + "\n");
    setConfig(126, "12");
    std::string refused = search(false);
    EXPECT_EQ(refused.find("Using preferred location"), std::string::npos);
}

TEST_F(Search, LocatedJvmList) {
    registerLocatedJvm(jdkJavaExe().c_str());
    setConfig(128, "Y");
    setConfig(126, "1.8");
    std::string log = search(true);
    EXPECT_NE(log.find("found located " + jdkJavaExe() + " 11.0.2"), std::string::npos);
    EXPECT_EQ(log.find("found sun"), std::string::npos);
    expectJdkChosen(log);

    // Restricted to the launcher's runtime store, a path outside it does not count.
    setConfig(165, "1");
    std::string restricted = search(false);
    EXPECT_EQ(restricted.find("found located"), std::string::npos);
}

TEST_F(Search, LocatedJvmsNewerWinsTieGoesToTheMachine) {
    std::string user = standinHome("user45", {banner("1.8.0_45")}) + "\\bin\\java.exe";
    std::string machine = standinHome("machine45", {banner("1.8.0_45")}) + "\\bin\\java.exe";
    addLocated(HKEY_CURRENT_USER, user);
    addLocated(HKEY_LOCAL_MACHINE, machine);
    setConfig(128, "Y");
    std::string tie = search(false);
    EXPECT_NE(tie.find("found located " + machine + " 1.8.0_45"), std::string::npos) << tie;

    std::string newer = standinHome("user60", {banner("1.8.0_60")}) + "\\bin\\java.exe";
    addLocated(HKEY_CURRENT_USER, newer);
    std::string log = search(false);
    EXPECT_NE(log.find("found located " + newer + " 1.8.0_60"), std::string::npos) << log;
    // The located one is preferred to an equally new JavaSoft runtime.
    std::string sun = standinHome("sun60", {banner("1.8.0_60")});
    setStringValue(HKEY_LOCAL_MACHINE, std::string(kClassicJre) + "\\1.8.0_60", "JavaHome", sun);
    std::string both = search(false);
    EXPECT_TRUE(inOrder(both, {"found sun " + sun, "found located " + newer, "Trying to load JVM-DLL from " + newer}));
}

// Runtimes that cannot be used only produce log lines; the search goes on to
// the JDK at the end, and PATH gains only the JDK's bin directory.
TEST_F(Search, RefusedCandidatesDoNotEndTheSearch) {
    std::string tooOld = standinHome("old", {banner("1.7.0_80")});
    std::string noBanner = standinHome("nobanner", {"stderr Error: could not find java.dll", banner("1.8.0_45")});
    std::string pickedUp = standinHome("pickedup", {"stderr Picked up JAVA_TOOL_OPTIONS: -Xmx1g", banner("1.8.0_45")});
    std::string hangs = standinHome("hangs", {banner("1.8.0_45"), "hang"});
    std::string x86 = standinHome("x86", {banner("1.8.0_45")});
    CreateDirectoryA((x86 + "\\bin\\client").c_str(), nullptr);
    ASSERT_TRUE(copyFile(wrongBitnessJvm(), x86 + "\\bin\\client\\jvm.dll"));
    // The JDK answers from the probe cache: a cold start of its java.exe under
    // load takes longer than the limit that ends the hanging candidate.
    char jdkExe[6000];
    char jdkVersion[2000];
    std::snprintf(jdkExe, sizeof(jdkExe), "%s\\bin\\java.exe", jdkHome().c_str());
    ASSERT_TRUE(checkJavaExe(jdkExe, jdkVersion, parseVersion(""), parseVersion(""), kProbeUseCache));
    setJavaVersionTimeout(1500);
    setConfig(126, "1.8");
    setConfig(128, "A" + tooOld + ";A" + noBanner + ";A" + pickedUp + ";A" + hangs + ";A" + x86 + ";A" + jdkHome());
    std::string log = search(true);
    EXPECT_TRUE(inOrder(log, {"checkJavaExe (" + tooOld, "got version from execution 1.7.0_80", "checkJavaExe returning 0",
                             "checkJavaExe (" + noBanner, "couldn't get version", "checkJavaExe returning 0",
                             "checkJavaExe (" + pickedUp, "got version from execution 1.8.0_45",
                             "Trying to load JVM-DLL from " + pickedUp,
                             "checkJavaExe (" + hangs, "Terminating process", "checkJavaExe returning 0",
                             "Trying to load JVM-DLL from " + x86, "Failed with error code 193",
                             "Testing location " + jdkHome(), "Loading of JVM-DLL successful"}))
        << log;
    expectJdkChosen(log);
    EXPECT_EQ(readPathVariable().value, pathBefore_.value + ";" + jdkHome() + "\\bin");
}

TEST_F(Search, LenientPassTakesRelativeAndTypeBDirectories) {
    char relative[64];
    std::snprintf(relative, sizeof(relative), "tlxlenient_%lu", GetTickCount());
    std::string underExe = std::string(exeDir8()) + relative;
    std::string exe = makeStandinRuntime(underExe, {banner("1.5.0_22")});
    deleteKeyTree(HKEY_CURRENT_USER, probeCacheKey(exe));
    std::string absoluteA = standinHome("absA", {banner("1.5.0_22")});
    std::string absoluteB = standinHome("absB", {banner("1.5.0_22")});
    setConfig(126, "1.8");
    setConfig(128, std::string("A") + absoluteA + ";B" + relative + ";B" + absoluteB);
    LogWatch watch;
    bool loaded = LoadDLL(JreFailure::kQuiet, nullptr, JreLocation::kHome);
    std::string log = watch.text();
    removeTree(underExe);
    deleteKeyTree(HKEY_CURRENT_USER, probeCacheKey(exe));
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(inOrder(log, {"Testing location " + std::string(relative) + " (type B)", "checkJavaExe returning 0",
                             "Testing relative location " + std::string(relative), exe + " exists",
                             "Trying to load JVM-DLL from " + exe, "Testing relative location " + absoluteB,
                             absoluteB + "\\bin\\java.exe exists"}))
        << log;
    EXPECT_EQ(log.find("Testing relative location " + absoluteA), std::string::npos);
    // The last accepted candidate stays recorded, without a version.
    EXPECT_EQ(std::string(g_jvm.home), absoluteB + "\\bin\\..");
    EXPECT_STREQ(g_jvm.version, "");
}

TEST_F(Search, PreviousInstallations) {
    std::string missing = scratch("noinstall");
    std::string installation = scratch("installation");
    linkTree(jdkHome(), installation + "\\jre");
    setConfig(160, "tlx_prev_app");
    setConfig(126, "1.8");
    setStringValue(HKEY_CURRENT_USER, kInstallations, "tlx_prev_app", missing + ";" + installation);
    std::string log = search(true);
    std::string exe = installation + "\\jre\\bin\\java.exe";
    EXPECT_TRUE(inOrder(log, {"found installations: " + missing + ";" + installation,
                             "java version did not match in " + missing + "\\jre",
                             "found JRE from previous installation (user) " + exe, "Loading of JVM-DLL successful"}))
        << log;
    EXPECT_EQ(std::string(g_jvm.home), installation + "\\jre\\bin\\..");
}

TEST_F(Search, ProvidedLocations) {
    // A home directory is taken without a version test.
    setConfig(126, "99");
    std::string home = search(true, jdkHome().c_str(), false);
    EXPECT_NE(home.find("Got JRE location " + jdkHome() + " (java exe: 0)"), std::string::npos);
    EXPECT_EQ(std::string(g_jvm.home), jdkHome() + "\\bin\\..");
    EXPECT_EQ(home.find("checkJavaExe"), std::string::npos);

    // A java.exe must meet the bounds.
    std::string refused = search(false, jdkJavaExe().c_str(), true);
    EXPECT_NE(refused.find("ERROR: Provided JVM unusable"), std::string::npos);
    setConfig(126, "1.8");
    g_jvm = JvmState();
    std::string accepted = search(true, jdkJavaExe().c_str(), true);
    EXPECT_NE(accepted.find("got version from execution 11.0.2"), std::string::npos) << "the cache is not read";
    expectJdkChosen(accepted);
}

}  // namespace
