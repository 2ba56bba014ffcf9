// The class path option: the slots of the option lines, the archives of the
// extraction directory, and the configured class path entries.
#pragma once
#include <string>

struct VmOptions;

// "-Djava.class.path=..." from the slots, the extraction directory and
// configuration key 121. Ends the process when a mandatory entry is missing.
std::string classPathOption(const VmOptions& options);
// Appends "dir\name;" for every .jar, then every .zip file of dir.
void appendArchives(std::string& classPath, const std::string& directory);
// The configured class path entries (key 121); ends the process on a
// missing mandatory entry.
void appendConfiguredClassPath(std::string& classPath);
