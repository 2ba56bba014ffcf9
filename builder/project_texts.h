// The text tables of a project: [settings] (by number or by name),
// [messages] and the [[language]] blocks.
#pragma once
#include "builder/project_context.h"

bool readTextTables(const ProjectContext& ctx, const toml::table& root);
