// The project file: what a setup file is built from (settings, messages,
// language blocks, file records, trailing data), read from TOML.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "builder/payload_writer.h"

struct Project {
    payload_writer::PayloadSpec spec;
    int codePage = 1252;                   // of the narrow settings, 1252 or 65001
    std::vector<std::string> inputFiles;   // every file the build reads (project, sources)
    std::vector<std::string> warnings;     // shown after a successful build

    // Built-in texts, their translations and settings derived from the files:
    // on unless [payload] turns them off, so that a message the project leaves
    // out never reaches the user as an empty box.
    bool defaults = true;                                  // [payload] defaults
    std::optional<std::vector<std::string>> translations;  // [payload] translations; unset: all built-in ones
    bool defaultsOn() const { return defaults; }
};

// Reads and checks a project file. False with one line naming the problem
// (file, position, key or record) when it cannot be built.
bool loadProject(const std::string& path, Project* project, std::string* error);
