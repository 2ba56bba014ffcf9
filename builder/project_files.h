// The [[file]] records of a project, and the runtime jar the tool adds.
#pragma once
#include "builder/project_context.h"

constexpr char kRuntimeJarName[] = "tlxruntime.jar";

bool readFileRecords(const ProjectContext& ctx, const toml::table& root);

// With the defaults on, the runtime jar that lies beside the tool becomes the
// first record, unless the project has a record of that name itself or lists
// its records by hand (keys 2002 and 2003). False when the jar is missing.
bool addRuntimeJar(const ProjectContext& ctx);
