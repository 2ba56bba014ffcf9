// Loading a candidate's jvm.dll: the real JDK's server JVM, the configured
// subdirectory first, a JVM library of the wrong bitness, the JDK layout with
// its runtime in jre\, and PATH rolled back after a failed candidate.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "jre_support.h"
#include "jvm/JavaVMLauncher.h"
#include "jvm/jvm_state.h"
#include "jvm/path_variable.h"

using namespace jretest;

namespace {

using JvmLoader = RuntimeTest;

TEST_F(JvmLoader, RealJdkLoadsItsServerJvm) {
    LogWatch log;
    std::string exe = jdkJavaExe();
    HMODULE library = loadJvmLibrary(exe.c_str());
    ASSERT_NE(library, nullptr) << log.text();
    std::string bin = jdkHome() + "\\bin";
    EXPECT_TRUE(log.inOrder({"Trying to load JVM-DLL from " + exe, "Setting PATH ", "Trying " + bin +
                             "\\hotspot\\jvm.dll (exists 0)", "Trying " + bin + "\\client\\jvm.dll (exists 0)",
                             "Trying " + bin + "\\server\\jvm.dll (exists 1)"}));
    EXPECT_EQ(log.text().find("classic"), std::string::npos) << "stops at the first library that loads";
    EXPECT_EQ(readPathVariable().value, pathBefore_.value + ";" + bin);
    char fromCrt[32768];
    size_t needed = 0;
    getenv_s(&needed, fromCrt, sizeof(fromCrt), "PATH");
    EXPECT_EQ(std::string(fromCrt), pathBefore_.value + ";" + bin) << "the C runtime's copy follows";
    EXPECT_TRUE(lookupCreateJavaVM(library));
    EXPECT_NE(g_jvm.createJavaVM, nullptr);
    EXPECT_FALSE(lookupCreateJavaVM(nullptr));
    EXPECT_EQ(g_jvm.createJavaVM, nullptr);
}

TEST_F(JvmLoader, ConfiguredSubdirectoryComesFirst) {
    setConfig(152, "server");
    LogWatch log;
    std::string exe = jdkHome() + "\\bin\\javaw.exe";
    ASSERT_NE(loadJvmLibrary(exe.c_str()), nullptr);
    EXPECT_NE(log.text().find("\\bin\\server\\jvm.dll (exists 1)"), std::string::npos);
    EXPECT_EQ(log.text().find("hotspot"), std::string::npos) << log.text();
}

TEST_F(JvmLoader, WrongBitnessFailsAndPathIsRestored) {
    std::string home = scratch("x86jre");
    std::string exe = makeStandinRuntime(home, {"stderr java version \"1.8.0_45\""});
    CreateDirectoryA((home + "\\bin\\client").c_str(), nullptr);
    ASSERT_TRUE(copyFile(wrongBitnessJvm(), home + "\\bin\\client\\jvm.dll")) << wrongBitnessJvm();
    LogWatch log;
    EXPECT_EQ(loadJvmLibrary(exe.c_str()), nullptr);
    EXPECT_TRUE(log.inOrder({"Trying " + home + "\\bin\\client\\jvm.dll (exists 1)", "Failed with error code 193",
                             "Trying " + home + "\\bin\\jrockit\\jvm.dll (exists 0)", "Setting PATH " +
                             pathBefore_.value, "Trying " + home +
                             "\\bin\\..\\jre\\bin\\jrockit\\jvm.dll (exists 0)"}));
    PathVariable after = readPathVariable();
    EXPECT_EQ(after.value, pathBefore_.value);
    char fromCrt[32768];
    size_t needed = 0;
    getenv_s(&needed, fromCrt, sizeof(fromCrt), "PATH");
    EXPECT_EQ(std::string(fromCrt), pathBefore_.value);
}

TEST_F(JvmLoader, LongPathIsRestoredExactly) {
    std::string longPath = pathBefore_.value + ";" + std::string(13000, 'p');
    SetEnvironmentVariableA("PATH", longPath.c_str());
    std::string exe = scratch("nojvm") + "\\bin\\java.exe";
    EXPECT_EQ(loadJvmLibrary(exe.c_str()), nullptr);
    EXPECT_EQ(readPathVariable().value, longPath);
}

// A JDK whose bin directory holds no JVM library keeps its runtime in jre\.
TEST_F(JvmLoader, JdkRuntimeInJreSubdirectory) {
    std::string jdk = scratch("oldjdk");
    CreateDirectoryA((jdk + "\\bin").c_str(), nullptr);
    for (const char* dir : {"\\jre", "\\jre\\bin", "\\jre\\bin\\client"}) CreateDirectoryA((jdk + dir).c_str(), nullptr);
    std::string jvm = jdk + "\\jre\\bin\\client\\jvm.dll";
    if (!CreateHardLinkA(jvm.c_str(), (jdkHome() + "\\bin\\server\\jvm.dll").c_str(), nullptr)) {
        ASSERT_TRUE(copyFile(jdkHome() + "\\bin\\server\\jvm.dll", jvm));
    }
    LogWatch log;
    HMODULE library = loadJvmLibrary((jdk + "\\bin\\java.exe").c_str());
    ASSERT_NE(library, nullptr) << log.text();
    EXPECT_NE(log.text().find("Trying " + jdk + "\\bin\\..\\jre\\bin\\client\\jvm.dll (exists 1)"),
              std::string::npos);
    EXPECT_EQ(readPathVariable().value, pathBefore_.value + ";" + jdk + "\\bin\\..\\jre\\bin");
    FreeLibrary(library);  // lets the scratch directory go
}

TEST_F(JvmLoader, RecordChosenJreFormsTheHome) {
    recordChosenJre("C:\\jre\\bin\\java.exe", "1.8.0_45");
    EXPECT_STREQ(g_jvm.home, "C:\\jre\\bin\\..");
    EXPECT_STREQ(g_jvm.version, "1.8.0_45");
    recordChosenJre("C:\\jre\\bin\\javaw.exe", "11.0.2");
    EXPECT_STREQ(g_jvm.home, "C:\\jre\\bin\\..");
    EXPECT_STREQ(g_jvm.version, "11.0.2");
    std::string longVersion(5000, '9');
    recordChosenJre("C:\\x\\java.exe", longVersion.c_str());
    EXPECT_EQ(std::string(g_jvm.version), longVersion.substr(0, sizeof(g_jvm.version) - 1));
    g_jvm.home[0] = '\0';
    g_jvm.version[0] = '\0';
}

}  // namespace
