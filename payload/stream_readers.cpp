// The payload stream readers. A short read or a length that cannot be right
// (negative, or more than the file still holds) ends the process with the
// reader's own message before anything is allocated.
#include "payload/reader.h"

#include <cstdlib>

#include "launcher/base/log.h"
#include "launcher/errors.h"

namespace {

// Reads exactly count bytes; false on a short read, with the bytes read.
bool readExactly(HANDLE file, void* buffer, DWORD count, DWORD* got) {
    *got = 0;
    BOOL ok = ReadFile(file, buffer, count, got, nullptr);
    return ok && *got == count;
}

// Bytes between the current position and the end of the file; -1 when unknown.
int64_t bytesLeft(HANDLE file) {
    LARGE_INTEGER size, position, zero;
    zero.QuadPart = 0;
    if (!GetFileSizeEx(file, &size) || !SetFilePointerEx(file, zero, &position, FILE_CURRENT)) return -1;
    return size.QuadPart - position.QuadPart;
}

// The count in front of a string, checked against what the file still holds.
int32_t readStringLength(HANDLE file, const wchar_t* failure) {
    int32_t count = readInt(file);
    int64_t left = bytesLeft(file);
    if (count < 0 || left < 0 || count > left) {
        logError(L"implausible string length %d (%I64d bytes left)", count, left);
        failText(failure);
    }
    return count;
}

// A little-endian number of size bytes; a short read ends the process.
uint64_t readNumber(HANDLE file, DWORD size, const wchar_t* failure) {
    unsigned char bytes[8];
    DWORD got;
    if (!readExactly(file, bytes, size, &got)) {
        int error = static_cast<int>(GetLastError());
        if (size == 4) logMessage(L"error %d %d\n", error, static_cast<int>(got));
        else logMessage(L"error %d\n", error);
        failText(failure);
    }
    uint64_t value = 0;
    for (DWORD i = size; i-- > 0;) value = value << 8 | bytes[i];
    return value;
}

}  // namespace

int32_t readInt(HANDLE file) {
    return static_cast<int32_t>(static_cast<uint32_t>(readNumber(file, 4, L"Internal Error: readInt")));
}

int64_t readLong(HANDLE file) { return static_cast<int64_t>(readNumber(file, 8, L"Internal Error: readLong")); }

int16_t readShort(HANDLE file) {
    return static_cast<int16_t>(static_cast<uint16_t>(readNumber(file, 2, L"Internal Error: readShort")));
}

char* readString(HANDLE file) {
    int32_t count = readStringLength(file, L"Internal Error: readString");
    char* text = static_cast<char*>(std::malloc(static_cast<size_t>(count) + 1));
    DWORD got;
    if (!text || !readExactly(file, text, static_cast<DWORD>(count), &got)) failText(L"Internal Error: readString");
    text[count] = '\0';
    return text;
}

wchar_t* readWString(HANDLE file) {
    int32_t count = readStringLength(file, L"Internal Error: readWString");
    size_t units = static_cast<size_t>(count) / 2;
    // An odd count still has its last byte read; it belongs to no character.
    wchar_t* text = static_cast<wchar_t*>(std::malloc((units + 1) * sizeof(wchar_t) + 1));
    DWORD got;
    if (!text || !readExactly(file, text, static_cast<DWORD>(count), &got)) failText(L"Internal Error: readWString");
    text[units] = L'\0';
    return text;
}
