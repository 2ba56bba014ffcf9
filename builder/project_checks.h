// What the build refuses because no start of the setup file could succeed,
// and warns about when a start may still succeed.
#pragma once
#include "builder/project_context.h"

// Called once the project is complete (records, runtime jar, built-ins).
// With the defaults on: main_class must be given in dotted form and found in
// a jar among the files, unless the class path reaches beyond them.
bool checkProject(const ProjectContext& ctx, const toml::table& root);
