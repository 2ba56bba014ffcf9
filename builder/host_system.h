// What the build tool needs from the system it runs on, Linux or Windows:
// files named by UTF-8 paths, a new file that no one else has opened, the
// replacement of a file in one step, and where the tool itself lies.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace host {

// The command line as UTF-8 texts (on Windows read from the UTF-16 command
// line, so that any file name survives), without the program name.
std::vector<std::string> arguments(int argc, char** argv);

// The directory of the running executable; empty when it cannot be found.
std::string toolDirectory();

// A file handle of the C runtime for writing, or -1 with errno set: the file
// is created and must not exist yet. Programs get the executable bits the
// umask allows.
int createNewFile(const std::string& path);
bool writeAll(int fd, const void* data, size_t size);
// Flushes to the disk and closes; false with errno set when either fails.
bool syncAndClose(int fd);
// Renames from over to, replacing to; false with errno set.
bool replaceFile(const std::string& from, const std::string& to);
void removeFile(const std::string& path);

// Removes the file at path when the tool is interrupted (Ctrl+C, a kill),
// until called again with an empty path.
void removeOnInterrupt(const std::string& path);

}  // namespace host
