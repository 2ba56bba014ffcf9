// The project: what a setup file is built from (settings, messages, language
// blocks, file records, trailing data, the version resource), as read from
// its TOML file by project_reader.cpp.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "builder/payload_writer.h"
#include "builder/version_resource.h"

struct Project {
    payload_writer::PayloadSpec spec;
    int codePage = 1252;                  // of the narrow settings, 1252 or 65001
    std::vector<std::string> inputFiles;  // every file the build reads (project, sources)
    std::vector<std::string> warnings;    // shown after a successful build
    std::optional<VersionInfo> version;   // [version]: written into the stub's resources

    // Built-in texts, their translations, settings derived from the files,
    // the runtime jar and the checks that refuse what cannot start: on
    // unless [payload] turns them off, so that a message the project leaves
    // out never reaches the user as an empty box.
    bool defaults = true;                                  // [payload] defaults
    std::optional<std::vector<std::string>> translations;  // [payload] translations; unset: all built-in ones
    bool defaultsOn() const { return defaults; }
};
