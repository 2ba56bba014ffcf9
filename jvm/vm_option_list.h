// VmOptions on its own: the class path assembly reads its slots and needs
// nothing else of the option assembly, which in turn calls the class path.
#pragma once
#include <string>
#include <vector>

// The option list being assembled. Options are 8-bit (the file-API code
// page); a slot holds the text of the last line that set it.
struct VmOptions {
    std::vector<std::string> options;
    bool hasReplace = false;  // "-classpath ": stands in for the configured class path
    bool hasPrepend = false;  // "-classpath/p "
    bool hasAppend = false;   // "-classpath/a "
    std::string replaceSlot;
    std::string prependSlot;
    std::string appendSlot;
    // Full paths (lower case) of the ".vmoptions" files being read, outermost
    // first: an include of one of them would never end.
    std::vector<std::wstring> openFiles;
    // The work of one run, bounded: files included and option lines read from
    // files so far, and whether a limit has been hit (logged once).
    size_t includedFiles = 0;
    size_t fileLines = 0;
    bool limitLogged = false;
};
