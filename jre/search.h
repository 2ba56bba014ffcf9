// Settling on a Java runtime: a given location or the whole search sequence,
// ending with the first candidate whose JVM library loads.
#pragma once
#include <windows.h>

#include <cstddef>

#include "jre/version.h"

// Source kinds of the accepted candidate.
enum JreSource {
    kSourceNone = 0,
    kSourceSystemPath = 1,
    kSourceDirectory = 2,
    kSourceEnvironment = 3,
    kSourceRegistry = 4
};

// Every javaExe buffer below holds kPathCapacity bytes, every version buffer
// kVersionCapacity bytes, the description kPathCapacity bytes.
// What LoadDLL does when no runtime can be used, and what a location handed
// to it names.
enum class JreFailure { kQuiet, kShowMessages };
enum class JreLocation { kHome, kJavaExe };
bool LoadDLL(JreFailure onFailure, const char* location, JreLocation locationKind);
HMODULE searchJvm(char* javaExe, char* version, int* sourceKind, char* description);
// kDeriveOnly: only the java.exe path of the home is derived (and the
// result is true whatever it holds); kProbe probes it.
enum class HomeTest { kProbe, kDeriveOnly };
bool testDirectoryLocation(char* javaExe, char* version, const char* home, const VersionNumber& min,
                           const VersionNumber& max, HomeTest test);
// A JRE home named by an environment variable.
bool testEnvironmentLocation(char* javaExe, char* version, const char* variable, const VersionNumber& min,
                             const VersionNumber& max);
// java.exe found by the system's search order (application directory, PATH, ...).
bool testSystemPath(char* javaExe, char* version, const VersionNumber& min, const VersionNumber& max);
bool findRegisteredJre(char* javaExe, char* version, const VersionNumber& min, const VersionNumber& max);
bool findPreviousInstallationJre(HKEY root, char* javaExe, char* version, const VersionNumber& min,
                                 const VersionNumber& max);

// The JRE location files: the first line of each (a JRE home), false when the
// file is missing or its first line is empty. line: kPathCapacity bytes.
bool readPreferredLocation(char* line);              // <installation>\.tolvanrix\pref_jre.cfg
bool readExtractionInstallerLocation(char* line);    // <extraction directory>\inst_jre.cfg
bool readInstallationInstallerLocation(char* line);  // <installation>\.tolvanrix\inst_jre.cfg
