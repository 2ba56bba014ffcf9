// The readers of the parts of a project file, called by loadProject.
#pragma once
#include "builder/project_context.h"

// [settings], [messages] and [[language]].
bool readTextTables(const ProjectContext& ctx, const toml::table& root);
bool readFileRecords(const ProjectContext& ctx, const toml::table& root);
