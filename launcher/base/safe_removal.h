// Removing files and directories without ever reaching through a link: the
// clean-up of the extraction directory, of a damaged runtime archive's output
// and of the deletion mode's list. Windows removes a link as itself when it
// is opened as a reparse point; some file systems (Wine's view of a Unix
// symbolic link among them) show a link only by resolving to another place,
// and there deleting the name deletes what it points to. Such a link is left
// where it is.
#pragma once
#include <string>

enum class Removal {
    kRemoved,   // the entry was removed (a link as itself)
    kGone,      // there was nothing of that name
    kLinkLeft,  // a link that could not be removed without touching its target
    kFailed,    // in use, not empty, not permitted
};

// The resolved form of the directory the last entry was listed in, which the
// next entry of the same directory shares: a caller that removes many
// entries one by one keeps one. (Resolved again after a change of the
// directory in between, that could only make an entry look like a link.)
struct ParentCache {
    std::wstring listed;
    std::wstring resolved;  // with its final backslash
};

// A file, an empty directory or a link of either kind.
Removal removeEntry(const wchar_t* path, ParentCache& parents);
// A directory with everything below it (links removed as links, never
// entered; at most 64 levels deep), or a single entry like removeEntry.
Removal removeTree(const wchar_t* path);
