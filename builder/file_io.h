// Whole-file reading and path helpers of the build tool (POSIX host).
#pragma once
#include <string>

#include "builder/payload_writer.h"

// Reads a regular file; false with "PATH: reason" when it cannot.
bool readWholeFile(const std::string& path, payload_writer::Bytes* out, std::string* error);

// The directory part of a path ("." when there is none).
std::string directoryOf(const std::string& path);

// A path relative to base unless it is absolute.
std::string resolveAgainst(const std::string& base, const std::string& path);

// True when both paths name the same existing file.
bool sameFile(const std::string& a, const std::string& b);
