// The [[file]] records of a project.
#pragma once
#include "builder/project_context.h"

bool readFileRecords(const ProjectContext& ctx, const toml::table& root);
