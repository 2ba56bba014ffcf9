// The readers of the parts of a project file, called in this order by
// loadProject: the text tables, the file records, then the built-in texts,
// which depend on what the others found.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "builder/project_context.h"

// [settings] (by number or by name), [messages] and [[language]].
bool readTextTables(const ProjectContext& ctx, const toml::table& root);
// Stores the launcher text of one key of a setting; false (with the error
// set) when the key was given already or the text does not fit the code page.
using StoreSetting = std::function<bool(int32_t id, const std::string& name, const toml::source_region& keyAt,
                                        const toml::node& valueAt, const std::string& utf8)>;
// One setting of [settings] written by name: its typed value turned into the
// text of its key (or keys).
bool readNamedSetting(const ProjectContext& ctx, const toml::key& key, const toml::node& value,
                      const StoreSetting& store);
bool readFileRecords(const ProjectContext& ctx, const toml::table& root);
// With the defaults on (and the settings read), a setting the record stands
// for: the size of a jre.tar.gz. False when the record cannot be what its
// name says; at is the place to name.
bool deriveFromRecord(const ProjectContext& ctx, const payload_writer::FileRecord& record, const toml::node& at);
// With the defaults on, the built-in texts and translations for the
// messages the project leaves out.
bool addBuiltIns(const ProjectContext& ctx);
