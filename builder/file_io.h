// Whole-file reading and path helpers of the build tool. Paths are UTF-8 on
// every system the tool runs on.
#pragma once
#include <string>

#include "builder/payload_writer.h"

// Reads a regular file; false with "PATH: reason" when it cannot.
bool readWholeFile(const std::string& path, payload_writer::Bytes* out, std::string* error);

// The directory part of a path ("." when there is none).
std::string directoryOf(const std::string& path);

// The last component of a path.
std::string baseNameOf(const std::string& path);

// A path relative to base unless it is absolute.
std::string resolveAgainst(const std::string& base, const std::string& path);

// True when both paths name the same existing file.
bool sameFile(const std::string& a, const std::string& b);
