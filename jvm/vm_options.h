// The VM option list handed to JNI_CreateJavaVM: option lines from the
// settings, the command line and ".vmoptions" files (with nested includes),
// the three class-path slots, and the assembled initialisation record.
#pragma once
#include <jni.h>

#include <cstdio>
#include <string>
#include <vector>

#include "jvm/vm_option_list.h"

class ArgumentList;

// The JavaVMInitArgs record and the strings it points to; lives until the
// VM has been created.
struct VmInitRecord {
    std::vector<std::string> strings;
    std::vector<JavaVMOption> options;
    JavaVMInitArgs args{};
};

// One option line: "-include-options FILE", a class-path slot, or a plain
// option. sourceFile is the ".vmoptions" file the line came from, or null.
void addOptionLine(const wchar_t* line, const wchar_t* sourceFile, VmOptions& options);
// A split option string: "-include-options" is joined with the element after it.
void addOptionList(const ArgumentList& list, VmOptions& options);
// Every line of an open text file (trimmed, comments and empty lines
// skipped, variables expanded); closes the file. path: the file's full
// name, against which its includes are resolved, or null.
void readVmOptionsFile(FILE* file, const wchar_t* path, VmOptions& options);
// readVmOptionsFile for a file opened under fullName, which stays marked as
// being read meanwhile; its includes are resolved against sourcePath (or
// against the executable's directory when null).
void readTrackedOptionsFile(FILE* file, const wchar_t* fullName, const wchar_t* sourcePath, VmOptions& options);
// The default ".vmoptions" file beside the executable, when there is one.
void readDefaultVmOptionsFile(VmOptions& options);

// The whole list: launcher properties (a null-terminated array), settings,
// version-specific lines, "-J" arguments, locale, default file, class path.
// Ends the process when a mandatory class-path entry is missing.
void assembleVmOptions(const char* const* launcherProperties, const ArgumentList& arguments, VmInitRecord& record);

// The 8-bit form of an option text in the file-API code page ("?" for what
// the code page lacks).
std::string narrowOption(const wchar_t* text);
