// Which of two files carries the newer file version in its version resource;
// the FileVersion natives and the folder-path provider choice of FolderInfo
// both ask it.
#pragma once

enum VersionComparison : int {
    kSameVersion = 0,
    kFirstNewer = 1,
    kSecondNewer = 2,
    kVersionUnreadable = 3,  // at least one of the two has no readable version
};

VersionComparison compareFileVersions(const wchar_t* first, const wchar_t* second);
