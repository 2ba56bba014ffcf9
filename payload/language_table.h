// The fixed table from Windows language identifiers to Java-style locale
// codes, searched in order: bare primary languages first, then full identifiers.
#pragma once
#include <windows.h>

#include <cstddef>

struct LocaleRow {
    LANGID identifier;
    const char* code;
};

extern const LocaleRow kLocaleTable[];
extern const size_t kLocaleTableSize;
