// The commands of tlx-builder, each given the arguments after its name and
// returning the exit code.
#pragma once
#include <string>
#include <vector>

int runBuild(const std::vector<std::string>& args);
int runInspect(const std::vector<std::string>& args);
int runReference(const std::vector<std::string>& args);
