// Shared set-up of the runtime tests: the real JDK, our stand-ins, scratch
// directories, configuration and environment that are restored afterwards,
// registry clean-up and reading what the launcher log gained.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include "jvm/path_variable.h"

#include <map>
#include <string>
#include <vector>

namespace jretest {

// A Linux path from the test environment as Wine shows it (drive Z:).
std::string windowsPathFromEnv(const char* variable);
std::string jdkHome();          // the real 64-bit JDK 11
std::string jdkJavaExe();
std::string standinExe();       // tests/tools/java_standin.cpp
std::string wrongBitnessJvm();  // 32-bit jvm.dll from the x86 tree

// A fresh directory under %TEMP%, removed with its content by removeTree.
std::string makeScratchDirectory(const char* label);
void removeTree(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool copyFile(const std::string& from, const std::string& to);
// A copy of a directory tree made of hard links (plain copies where linking fails).
void linkTree(const std::string& from, const std::string& to);

// A runtime home whose bin\java.exe is the stand-in, configured with these
// stand-in lines ("stderr ...", "exit N", "hang"). Returns the java.exe path.
std::string makeStandinRuntime(const std::string& home, const std::vector<std::string>& standinLines);
// How often the stand-in in that bin directory was started.
int standinRuns(const std::string& javaExe);

// Removes a key with everything below it (in the default or the given view).
void deleteKeyTree(HKEY root, const std::string& key, REGSAM view = 0);
void setStringValue(HKEY root, const std::string& key, const char* name, const std::string& value,
                    REGSAM view = 0);
std::string probeCacheKey(const std::string& javaExe);

// True when lines holding each needle appear in this order (a failure names
// the first needle missing).
bool inOrder(const std::string& text, const std::vector<std::string>& needles);

// Everything the launcher log gained since construction.
class LogWatch {
public:
    LogWatch();
    std::string text() const;
    bool inOrder(const std::vector<std::string>& needles) const { return jretest::inOrder(text(), needles); }

private:
    long long start_ = 0;
};

// Base fixture: private stand-ins for HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER
// while the test runs; clears the configuration and restores PATH (a loaded
// JVM library keeps its bin directory there by design), every environment
// variable it set and the launcher's extraction directory.
class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void setConfig(int id, const std::string& value);
    void setEnv(const char* name, const char* value);  // null removes
    std::string scratch(const char* label);

    PathVariable pathBefore_;

private:
    void overrideRegistry();
    void restoreRegistry();

    std::string privateRegistry_;
    std::map<std::string, std::pair<bool, std::string>> savedEnv_;
    std::vector<std::string> scratchDirs_;
    std::string savedExtractionDir_;
};

}  // namespace jretest
