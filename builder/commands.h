// The commands of tlx-builder and their common exit codes and messages.
#pragma once
#include <string>
#include <vector>

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;     // a broken setup file, or writing the output failed
constexpr int kExitBadInput = 2;   // usage errors and bad input files

// Writes "tlx-builder: error: what" as one line on stderr; returns code.
int reportError(int code, const std::string& what);
void reportWarning(const std::string& what);

int runBuild(const std::vector<std::string>& args);
int runInspect(const std::vector<std::string>& args);
int runReference(const std::vector<std::string>& args);

extern const char* const kUsageText;
extern const char* const kBuildUsageText;
extern const char* const kInspectUsageText;
extern const char* const kReferenceUsageText;
