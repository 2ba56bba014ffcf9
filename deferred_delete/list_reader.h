// Reading the deletion list: UTF-16LE code units straight from a binary-mode
// file, cut into lines at LF and into pieces at the size of the line buffer.
// The file is read in large blocks: the list is read again on every pass, and
// a long one a byte at a time cost more than the deletion itself.
#pragma once
#include <cstddef>
#include <cstdio>

struct BoundedText;

constexpr size_t kListBlockBytes = 64 * 1024;

struct ListReader {
    FILE* file;
    int pending;    // unit read ahead, or -1
    bool midLine;   // the last piece did not end its line
    size_t filled;  // bytes in block
    size_t next;    // the next byte of block to hand out
    unsigned char block[kListBlockBytes];
};

// One read of at most cap - 1 units that stops after an LF.
struct ListPiece {
    size_t length;
    bool startsLine;
    bool endsLine;  // ends with LF, or the file ends right behind it
};

bool openListFile(ListReader& reader, const wchar_t* path);
void closeListFile(ListReader& reader);

// Reads the next piece into buffer and NUL-terminates it; a trailing odd byte
// of the file is no unit and is ignored. False when no unit is left.
bool readListPiece(ListReader& reader, wchar_t* buffer, size_t cap, ListPiece& piece);

// Reads the next whole line of the wait-object, mode, file and directory
// sections with its trailing CR and LF characters removed. A line that does not
// fit the buffer is consumed to its end and, like a line holding a NUL unit,
// reported as not intact: its cut-off text must not be taken for a name.
// False at the end of the file.
bool readEntryLine(ListReader& reader, wchar_t* buffer, size_t cap, size_t& length, bool& intact);

// Consumes the lines of a question or failure section up to and including a
// line that begins with "EOSMARKER", or to the end of the file. The lines are
// appended, line ends kept, to text when one is given.
void readTextSection(ListReader& reader, wchar_t* buffer, size_t cap, BoundedText* text);
