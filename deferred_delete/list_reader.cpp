// Deletion list reader; see list_reader.h.
#include "deferred_delete/list_reader.h"

#include <cwchar>

#include "deferred_delete/deletion_state.h"

namespace {

const wchar_t kEndMarker[] = L"EOSMARKER";
const size_t kEndMarkerLength = sizeof(kEndMarker) / sizeof(kEndMarker[0]) - 1;

int nextByte(ListReader& reader) {
    if (reader.next == reader.filled) {
        reader.filled = std::fread(reader.block, 1, sizeof(reader.block), reader.file);
        reader.next = 0;
        if (reader.filled == 0) return EOF;
    }
    return reader.block[reader.next++];
}

// Next little-endian unit of the file, or -1 at its end.
int nextUnit(ListReader& reader) {
    if (reader.pending >= 0) {
        int unit = reader.pending;
        reader.pending = -1;
        return unit;
    }
    int low = nextByte(reader);
    if (low == EOF) return -1;
    int high = nextByte(reader);
    if (high == EOF) return -1;
    return low | (high << 8);
}

bool atEnd(ListReader& reader) {
    if (reader.pending < 0) reader.pending = nextUnit(reader);
    return reader.pending < 0;
}

void stripLineEnd(const wchar_t* buffer, size_t& length) {
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n')) --length;
}

}  // namespace

bool openListFile(ListReader& reader, const wchar_t* path) {
    reader.file = _wfopen(path, L"rb");
    reader.pending = -1;
    reader.midLine = false;
    reader.filled = 0;
    reader.next = 0;
    return reader.file != nullptr;
}

void closeListFile(ListReader& reader) {
    if (reader.file) std::fclose(reader.file);
    reader.file = nullptr;
}

bool readListPiece(ListReader& reader, wchar_t* buffer, size_t cap, ListPiece& piece) {
    size_t length = 0;
    bool sawLineFeed = false;
    while (length + 1 < cap) {
        int unit = nextUnit(reader);
        if (unit < 0) break;
        buffer[length++] = static_cast<wchar_t>(unit);
        if (unit == L'\n') {
            sawLineFeed = true;
            break;
        }
    }
    buffer[length] = L'\0';
    if (length == 0) return false;
    piece.length = length;
    piece.startsLine = !reader.midLine;
    piece.endsLine = sawLineFeed || atEnd(reader);
    reader.midLine = !piece.endsLine;
    return true;
}

bool readEntryLine(ListReader& reader, wchar_t* buffer, size_t cap, size_t& length, bool& intact) {
    ListPiece piece;
    if (!readListPiece(reader, buffer, cap, piece)) return false;
    intact = piece.endsLine;
    while (!piece.endsLine && readListPiece(reader, buffer, cap, piece)) {
    }
    if (!intact) {
        // The buffer now holds the line's last piece, not its beginning.
        length = 0;
        buffer[0] = L'\0';
        return true;
    }
    length = piece.length;
    stripLineEnd(buffer, length);
    buffer[length] = L'\0';
    if (std::wcslen(buffer) != length) intact = false;
    return true;
}

void readTextSection(ListReader& reader, wchar_t* buffer, size_t cap, BoundedText* text) {
    ListPiece piece;
    while (readListPiece(reader, buffer, cap, piece)) {
        if (piece.startsLine && std::wcsncmp(buffer, kEndMarker, kEndMarkerLength) == 0) return;
        if (text) appendText(*text, buffer, piece.length);
    }
}
