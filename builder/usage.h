// The help texts of tlx-builder and its commands.
#pragma once

extern const char* const kUsageText;
extern const char* const kBuildUsageText;
extern const char* const kInspectUsageText;
extern const char* const kReferenceUsageText;
