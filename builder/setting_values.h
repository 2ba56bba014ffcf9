// Settings written by name, turned into the text of their keys.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "builder/project_context.h"

// Stores the launcher text of one key of a setting; false (with the error
// set) when the key was given already or the text does not fit the code page.
using StoreSetting = std::function<bool(int32_t id, const std::string& name, const toml::source_region& keyAt,
                                        const toml::node& valueAt, const std::string& utf8)>;

// One setting of [settings] written by name: its typed value turned into the
// text of its key (or keys), each handed to store.
bool readNamedSetting(const ProjectContext& ctx, const toml::key& key, const toml::node& value,
                      const StoreSetting& store);
