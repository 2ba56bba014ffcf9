// Tar headers on top of zlib's gz stream functions. Only the name, size,
// typeflag and magic fields matter; modes, owners, times, links and pax
// headers are ignored. Everything read from the archive is distrusted: sizes
// are bounded before anything is read or allocated from them, and names are
// refused when they could reach outside the target directory.
#include "jre/tar_reader.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "launcher/base/log.h"

namespace {

constexpr int kBlock = 512;
// GNU tar pads the archive to a record of 20 blocks, other writers to more.
constexpr unsigned kTrailingLimit = 1024 * 1024;
constexpr int kNameOffset = 0;
constexpr int kNameLength = 100;
constexpr int kSizeOffset = 124;
constexpr int kSizeLength = 12;
constexpr int kTypeOffset = 156;
constexpr int kMagicOffset = 257;

bool allZero(const char* block) {
    for (int i = 0; i < kBlock; ++i)
        if (block[i] != 0) return false;
    return true;
}

TarRead readHeader(gzFile archive, char* header) {
    if (gzeof(archive)) return TarRead::kEndOfFile;
    int n = gzread(archive, header, kBlock);
    // The stream ended exactly at a block boundary: gzeof turns true only
    // once a read has reached the end.
    if (n == 0 && gzeof(archive)) return TarRead::kEndOfFile;
    if (n != kBlock) {
        logError(L"gzread failed");
        return TarRead::kFailed;
    }
    if (std::memcmp(header + kMagicOffset, "ustar", 5) == 0) return TarRead::kEntry;
    return allZero(header) ? TarRead::kEndBlock : TarRead::kNoMagic;
}

int headerSize(const char* header) {
    int size = parseTarSize(header + kSizeOffset, kSizeLength);
    if (size < 0) logError(L"bad entry size field");
    return size;
}

// The long name of an "L" entry and the header that follows it.
TarRead readLongName(gzFile archive, TarEntry* entry, char* header) {
    int size = headerSize(header);
    if (size < 0 || size >= kTarLongNameLimit) {
        logError(L"long file name of %d bytes refused", size);
        return TarRead::kFailed;
    }
    if (gzread(archive, entry->name, static_cast<unsigned>(size)) != size) {
        logError(L"gzread failed for long file name");
        return TarRead::kFailed;
    }
    entry->name[size] = '\0';
    if (!skipTarPadding(archive, size)) {
        logError(L"gzseek 4 failed");
        return TarRead::kFailed;
    }
    return readHeader(archive, header);
}

bool isReservedDeviceName(const char* component, size_t length) {
    // Windows maps these names to devices in every directory, whatever the
    // extension, and ignores trailing blanks before it.
    size_t base = 0;
    while (base < length && component[base] != '.') ++base;
    while (base > 0 && component[base - 1] == ' ') --base;
    char upper[8];
    if (base < 3 || base >= sizeof(upper)) return false;
    for (size_t i = 0; i < base; ++i)
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(component[i])));
    upper[base] = '\0';
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices)
        if (std::strcmp(upper, device) == 0) return true;
    return base == 4 && (std::strncmp(upper, "COM", 3) == 0 || std::strncmp(upper, "LPT", 3) == 0) &&
           std::isdigit(static_cast<unsigned char>(upper[3]));
}

bool isSafeComponent(const char* component, size_t length) {
    if (length == 0 || (length == 1 && component[0] == '.')) return true;
    // "..", and names of dots and blanks that Windows trims to "" or "..".
    if (std::strspn(component, ". ") >= length) return false;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(component[i]);
        if (c < 0x20 || std::strchr("<>:\"|?*", c)) return false;
    }
    return !isReservedDeviceName(component, length);
}

}  // namespace

int parseTarSize(const char* field, int length) {
    long long value = 0;
    bool started = false;
    for (int i = 0; i < length && field[i] != '\0'; ++i) {
        char c = field[i];
        if (!started && (c == ' ' || c == '0')) continue;
        if (c == ' ') break;
        if (c < '0' || c > '7') return -1;
        started = true;
        value = value * 8 + (c - '0');
        if (value > 0x7FFFFFFF) return -1;
    }
    return static_cast<int>(value);
}

bool isSafeEntryName(const char* name) {
    if (name[0] == '\0' || name[0] == '\\' || name[0] == '/') return false;
    const char* component = name;
    for (;;) {
        size_t length = std::strcspn(component, "\\/");
        if (!isSafeComponent(component, length)) return false;
        if (component[length] == '\0') return true;
        component += length + 1;
    }
}

TarRead readTarEntry(gzFile archive, TarEntry* entry) {
    char header[kBlock];
    TarRead read = readHeader(archive, header);
    if (read != TarRead::kEntry) return read;
    if (header[kTypeOffset] == kTarLongName) {
        read = readLongName(archive, entry, header);
        if (read != TarRead::kEntry) return read;
    } else {
        std::memcpy(entry->name, header + kNameOffset, kNameLength);
        entry->name[kNameLength] = '\0';
        for (char* p = entry->name; *p; ++p)
            if (*p == '/') *p = '\\';
    }
    entry->type = header[kTypeOffset];
    entry->size = headerSize(header);
    if (entry->size < 0) return TarRead::kFailed;
    if ((entry->type == kTarFile || entry->type == kTarDirectory) && !isSafeEntryName(entry->name)) {
        logError(L"entry name outside the target directory refused: %S", entry->name);
        return TarRead::kFailed;
    }
    return TarRead::kEntry;
}

bool finishTarStream(gzFile archive) {
    static char rest[32768];
    unsigned total = 0;
    for (;;) {
        int n = gzread(archive, rest, sizeof(rest));
        if (n < 0) {
            logError(L"gzread failed behind the end of the archive");
            return false;
        }
        if (n == 0) break;
        total += static_cast<unsigned>(n);
        if (total > kTrailingLimit) {
            logError(L"more than %d bytes behind the end of the archive", static_cast<int>(kTrailingLimit));
            return false;
        }
    }
    // zlib reports a stream that ends before its end marker and trailer as
    // the end of the file, and keeps the fault for gzerror.
    int error = Z_OK;
    gzerror(archive, &error);
    if (error != Z_OK) logError(L"the compressed stream is cut short or damaged (%d)", error);
    return error == Z_OK;
}

bool skipTarData(gzFile archive, int size) { return size == 0 || gzseek(archive, size, SEEK_CUR) >= 0; }

bool skipTarPadding(gzFile archive, int size) {
    int rest = size % kBlock;
    return rest == 0 || gzseek(archive, kBlock - rest, SEEK_CUR) >= 0;
}
