// The record names of configuration key 2003: walking the ";"-separated list,
// and the test that keeps every extracted file below the extraction directory.
#pragma once

// The next non-empty item of a ";"-separated list, cut out in place (the
// separator is overwritten); null when no item is left. Empty items between
// consecutive separators are skipped.
char* nextListItem(char** cursor);

// True when a record name, appended to the extraction directory, names a
// file below that directory: relative, without a drive letter or stream
// colon, without a component made only of dots and spaces ("..", "...", ". "),
// and without a reserved device name (CON, NUL, COM1, ...) as a component.
// Both "\" and "/" count as separators, as they do for the file system.
bool isSafeRecordName(const char* name);
