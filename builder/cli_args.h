// Command-line options of the build tool's commands.
#pragma once
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

struct CommandLine {
    std::map<std::string, std::string> values;  // --name VALUE or --name=VALUE
    std::vector<std::string> flags;             // --name
    std::vector<std::string> positional;
    bool help = false;

    bool has(const std::string& flag) const;
    std::string value(const std::string& name) const;
};

// Parses args against the options a command knows; false with a message
// for an unknown option, a missing value or an option given twice.
bool parseCommandLine(const std::vector<std::string>& args, std::initializer_list<const char*> valueOptions,
                      std::initializer_list<const char*> flagOptions, CommandLine* out, std::string* error);
