// Shared state of the project readers: where the project lives, the project
// being filled, and the error it ends with; and the helpers they all use.
#pragma once
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "builder/project.h"

struct ProjectContext {
    std::string path;     // as given on the command line, for messages
    std::string baseDir;  // sources are relative to it
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

// The table under key, or nullptr when there is none; *ok turns false (with
// the error set) when the key holds something else.
const toml::table* optionalTable(const ProjectContext& ctx, const toml::table& parent, const char* key,
                                 const std::string& tableName, bool* ok);

// Calls each(node, "[[key]] #n") for the tables of an array of tables such
// as [[file]]; stops at the first false.
bool forEachArrayTable(const ProjectContext& ctx, const toml::table& root, const char* key,
                       const std::function<bool(const toml::node&, const std::string&)>& each);

// A text as the project writes it ("quoted text" or an integer).
std::string quoted(const std::string& text);
