// The Java runtime shipped in the payload ("jre.tar.gz") and pack200 archives.
#pragma once
#include <windows.h>

// Converts leftover packed jars of a runtime directory.
void unpackJreDirectory(const char* home);
void prepareIncludedJre(HWND dialog);
void useIncludedJre();
void unpackFile(const char* jreHome, const char* packFile);
