// Reading a project file.
#pragma once
#include <string>

#include "builder/project.h"

// Reads and checks a project file. False with one line naming the problem
// (file, position, key or record) when it cannot be built.
bool loadProject(const std::string& path, Project* project, std::string* error);
