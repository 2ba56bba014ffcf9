// Probing one java.exe: its version from the per-user cache or from running
// it with "-version", judged by the version rules; the located JVM list.
#pragma once
#include <windows.h>

#include <cstddef>

#include "jre/version.h"

// The java.exe of a JRE home (its jre\bin\java.exe, else bin\java.exe; with a
// JDK required, only a home holding lib\tools.jar). javaExe: 6000 bytes.
bool javaExeForHome(const char* home, char* javaExe, size_t capacity);
// path: 6000-byte buffer holding the candidate, rewritten with the normalised
// path (or the javaw.exe beside it); version: 6000-byte output buffer.
bool checkJavaExe(char* path, char* version, const VersionNumber& min, const VersionNumber& max, bool allowBeta,
                  bool useCache);
bool runJavaVersion(const char* path, const FILETIME& lastWrite, char* version, size_t capacity);

bool lookupProbeCache(const char* path, const FILETIME& lastWrite, char* version, size_t capacity);
void storeProbeCache(const char* path, const FILETIME& lastWrite, const char* version);

// Adds a java.exe to the located JVM list (HKLM, else HKCU).
void registerLocatedJvm(const char* javaExe);
