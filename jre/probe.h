// Probing one java.exe: its version from the per-user cache or from running
// it with "-version", judged by the version rules; the located JVM list.
#pragma once
#include <windows.h>

#include <cstddef>

#include "jre/version.h"

// The java.exe of a JRE home (its jre\bin\java.exe, else bin\java.exe; with a
// JDK required, only a home holding lib\tools.jar). False also when the path
// does not fit into capacity.
bool javaExeForHome(const char* home, char* javaExe, size_t capacity);
// path: kPathCapacity buffer holding the candidate, rewritten with the
// normalised path (or the javaw.exe beside it). version: kVersionCapacity
// output buffer (the search hands in buffers of that size, so the probe never
// writes more).
enum ProbeOption {
    kProbeFresh = 0,            // run the java.exe, accept no pre-release
    kProbeAllowPreRelease = 1,  // whatever configuration key 130 says
    kProbeUseCache = 2,         // the version cached for the same file, when there is one
};
bool checkJavaExe(char* path, char* version, const VersionNumber& min, const VersionNumber& max, int options);
// The newest version that a probe of this run read but found outside the
// bounds (or a pre-release); empty when there was none. The runtime choice
// tells the user about it.
const char* newestRefusedVersion();
// Runs "<path> -version" hidden with standard error into a temp file and reads
// the banner. A child still running after the time limit is terminated.
bool runJavaVersion(const char* path, const FILETIME& lastWrite, char* version, size_t capacity);

bool lookupProbeCache(const char* path, const FILETIME& lastWrite, char* version, size_t capacity);
void storeProbeCache(const char* path, const FILETIME& lastWrite, const char* version);

// Adds a java.exe to the located JVM list (HKLM, else HKCU).
void registerLocatedJvm(const char* javaExe);

// Tests only: the time runJavaVersion waits for the child (60000 ms unless set).
void setJavaVersionTimeout(DWORD milliseconds);
