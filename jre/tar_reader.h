// Reading a gzip-compressed tar archive one entry at a time: headers, sizes,
// long names, padding, and the test that keeps every entry name below the
// directory it is unpacked into. Writes nothing; the caller decides what an
// entry becomes.
#pragma once
#include <zlib.h>

#include "launcher/base/limits.h"

constexpr char kTarFile = '0';
constexpr char kTarDirectory = '5';
constexpr char kTarLongName = 'L';

// A long name ("L" entry) longer than this is refused as corruption.
constexpr int kTarLongNameLimit = static_cast<int>(kPathCapacity);

struct TarEntry {
    char name[kPathCapacity];  // relative path, "\"-separated for header names
    int size;                  // bytes of data that follow the header
    char type;                 // typeflag of the header that carries the data
};

enum class TarRead {
    kEntry,      // entry holds the next entry; its data follows in the stream
    kEndBlock,   // a block of zeros: the archive's end
    kEndOfFile,  // the stream ends where a header should be: the archive is cut short
    kNoMagic,    // a block that is neither a ustar header nor zeros: no tar, or a damaged one
    kFailed,     // read error, bad size or unsafe name: the archive is corrupt
};

// Reads the next header (after a long-name entry, the header it names).
TarRead readTarEntry(gzFile archive, TarEntry* entry);
// After the end block: true when what follows (the second end block, the
// padding to a full record; at most 1 MiB) ends with the end of the
// compressed stream and its intact trailer.
bool finishTarStream(gzFile archive);
// Skips size bytes of entry data, or the padding behind size bytes of data.
bool skipTarData(gzFile archive, int size);
bool skipTarPadding(gzFile archive, int size);

// The size field: octal digits with leading blanks or zeros, ended by a NUL
// or a blank. -1 for anything that is not such a number or does not fit.
int parseTarSize(const char* field, int length);
// A relative name that cannot leave its directory: no "..", no root, drive,
// UNC or device prefix, no stream colon, no reserved device name.
bool isSafeEntryName(const char* name);
