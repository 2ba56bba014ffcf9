// Settling on a Java runtime: a given location or the whole search sequence,
// ending with the first candidate whose JVM library loads.
#pragma once
#include <windows.h>

#include <cstddef>

#include "jre/version.h"

// Source kinds of the accepted candidate.
enum JreSource { kSourceNone = 0, kSourceSystemPath = 1, kSourceDirectory = 2, kSourceEnvironment = 3,
                 kSourceRegistry = 4 };

bool LoadDLL(bool showErrors, const char* location, bool locationIsJavaExe);
HMODULE searchJvm(char* javaExe, char* version, int* sourceKind, char* description);
bool testDirectoryLocation(char* javaExe, char* version, const char* home, const VersionNumber& min,
                           const VersionNumber& max, bool lenient);
bool findRegisteredJre(char* javaExe, char* version, const VersionNumber& min, const VersionNumber& max);
bool findPreviousInstallationJre(HKEY root, char* javaExe, char* version, const VersionNumber& min,
                                 const VersionNumber& max);
