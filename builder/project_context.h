// Shared state of the project reader: where the project lives, its code page,
// the spec being filled, and the error it ends with. Used by project*.cpp only.
#pragma once
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <initializer_list>
#include <string>

#include "builder/project.h"

struct ProjectContext {
    std::string path;      // as given on the command line, for messages
    std::string baseDir;   // sources are relative to it
    Project* project = nullptr;
    std::string* error = nullptr;

    // Records an error at a position of the project file; always false.
    bool fail(const toml::source_region& where, const std::string& what) const;
    bool fail(const toml::node& node, const std::string& what) const { return fail(node.source(), what); }
    bool fail(const std::string& what) const;
};

// Refuses keys of a table other than the allowed ones.
bool onlyKnownKeys(const ProjectContext& ctx, const toml::table& table, const std::string& tableName,
                   std::initializer_list<const char*> allowed);

// A text as the project writes it ("quoted text" or an integer).
std::string quoted(const std::string& text);

bool readTextTables(const ProjectContext& ctx, const toml::table& root);
bool readFileRecords(const ProjectContext& ctx, const toml::table& root);
