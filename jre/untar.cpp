// Unpacking the runtime archive: every regular file and directory of a
// gzip-compressed tar archive into a directory, with the progress dialog's
// bar following the position in the uncompressed stream.
#include <windows.h>
#include <commctrl.h>
#include <zlib.h>

#include <cstring>

#include "jre/included_jre.h"
#include "jre/tar_reader.h"
#include "launcher/base/log.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"
#include "launcher/errors.h"
#include "resources/resource_ids.h"

namespace {

constexpr unsigned kPiece = 32768;
constexpr unsigned kInflateBuffer = 128 * 1024;
constexpr DWORD kProgressInterval = 200;
constexpr int kProgressLow = 100;
constexpr int kProgressSpan = 100;

char g_piece[kPiece];

// Without a declared size (key 151) the files may take this much, and no
// more than the target's free space: an archive of a few megabytes can
// unpack to any size.
constexpr unsigned long long kUnpackCeiling = 4ull * 1024 * 1024 * 1024;

struct Untar {
    gzFile archive;
    HWND dialog;
    int scale;
    DWORD lastUpdate;
    unsigned long long unpacked;  // file data written so far
    unsigned long long limit;
    char previousDir[MAX_PATH + 1];
};

// The declared size, else the ceiling or the free space, whichever is less.
unsigned long long unpackLimit(int scale) {
    if (scale > 0) return static_cast<unsigned long long>(scale);
    ULARGE_INTEGER free;
    if (GetDiskFreeSpaceExA(".", &free, nullptr, nullptr) && free.QuadPart < kUnpackCeiling) return free.QuadPart;
    return kUnpackCeiling;
}

// Checked before a byte of the entry is written.
bool fitsTheLimit(Untar& u, const TarEntry& entry) {
    if (u.unpacked + static_cast<unsigned long long>(entry.size) <= u.limit) return true;
    logError(L"the archive unpacks to more than %I64d bytes", static_cast<long long>(u.limit));
    return false;
}

void showProgress(Untar& u) {
    if (!u.dialog || u.scale <= 0) return;
    double share = static_cast<double>(gztell(u.archive)) / u.scale;
    int position = kProgressLow + static_cast<int>(kProgressSpan * share);
    // A scale smaller than the archive must not run the bar into the next phase.
    if (position > kProgressLow + kProgressSpan) position = kProgressLow + kProgressSpan;
    SendDlgItemMessageW(u.dialog, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    u.lastUpdate = GetTickCount();
}

// Leaves the target directory and closes the archive: before a fatal exit
// too, since the clean-up cannot remove a directory that is still current or
// a file that is still open.
void closeUntar(Untar& u) {
    SetCurrentDirectoryA(u.previousDir);
    // gzclose would link the whole compressor for its writing half.
    if (u.archive) gzclose_r(u.archive);
    u.archive = nullptr;
}

[[noreturn]] void failUncreatableFile(Untar& u, const char* name) {
    wchar_t text[MAX_PATH + 64];
    formatWide(text, sizeof(text) / sizeof(text[0]), L"Could not open file %S\n", name);
    logError(L"%s", text);
    closeUntar(u);
    failText(text);
}

bool extractFile(Untar& u, const TarEntry& entry) {
    logMessage(L"extracting %S (size %d)", entry.name, entry.size);
    ScopedHandle file(
        CreateFileA(entry.name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) failUncreatableFile(u, entry.name);
    int copied = 0;
    while (copied < entry.size) {
        unsigned want = static_cast<unsigned>(entry.size - copied);
        if (want > kPiece) want = kPiece;
        int got = gzread(u.archive, g_piece, want);
        if (got <= 0) break;
        DWORD written = 0;
        if (!WriteFile(file.get(), g_piece, static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got)) {
            logError(L"stream error");
            return false;
        }
        copied += got;
        if (GetTickCount() - u.lastUpdate > kProgressInterval) showProgress(u);
    }
    if (copied != entry.size) {
        logError(L"sizes don't match: %d, %d", copied, entry.size);
        return false;
    }
    return true;
}

// One entry: false when the untar must stop (the archive is then corrupt).
bool handleEntry(Untar& u, const TarEntry& entry, bool* extracted) {
    if (entry.type == kTarDirectory) {
        CreateDirectoryA(entry.name, nullptr);
        // A directory never carries data; should one claim some, it is passed over.
        if (!skipTarData(u.archive, entry.size)) return false;
    } else if (entry.type == kTarFile) {
        showProgress(u);
        if (!fitsTheLimit(u, entry)) return false;
        u.unpacked += static_cast<unsigned long long>(entry.size);
        if (!extractFile(u, entry)) {
            logError(L"extract file failed");
            return false;
        }
        *extracted = true;
    } else if (!skipTarData(u.archive, entry.size)) {
        logError(L"gzseek 2 failed");
        return false;
    }
    if (!skipTarPadding(u.archive, entry.size)) {
        logError(L"gzseek 3 failed");
        return false;
    }
    return true;
}

}  // namespace

bool untarJre(const char* archive, const char* directory, HWND dialog, int scale) {
    Untar u{nullptr, dialog, scale, GetTickCount(), 0, 0, ""};
    DWORD n = GetCurrentDirectoryA(sizeof(u.previousDir), u.previousDir);
    if (n == 0 || n >= sizeof(u.previousDir)) u.previousDir[0] = '\0';
    u.archive = gzopen(archive, "rb");
    if (!u.archive) {
        logError(L"Could not open gz-file");
        return false;
    }
    gzbuffer(u.archive, kInflateBuffer);
    // Entry names are relative: outside the target directory they would land
    // in the extraction directory itself.
    if (!SetCurrentDirectoryA(directory)) {
        logError(L"Could not change into %S (%d)", directory, static_cast<int>(GetLastError()));
        closeUntar(u);
        return false;
    }

    u.limit = unpackLimit(scale);

    // Only an archive that ends as written counts: its end block behind at
    // least one file, then the end of the compressed stream. A stream cut at
    // an entry boundary reads like a shorter archive otherwise.
    static TarEntry entry;
    bool result = false;
    bool extracted = false;
    for (;;) {
        TarRead read = readTarEntry(u.archive, &entry);
        if (read == TarRead::kEntry) {
            if (!handleEntry(u, entry, &extracted)) break;
            continue;
        }
        if (read == TarRead::kEndBlock && extracted) result = finishTarStream(u.archive);
        else if (read == TarRead::kEndOfFile) logError(L"unexpected eof");
        else if (read != TarRead::kFailed) logError(L"no magic number");
        break;
    }
    if (gzclose_r(u.archive) != Z_OK) result = false;
    u.archive = nullptr;
    closeUntar(u);
    if (result) logMessage(L"untaring JRE was successful");
    else logError(L"untaring JRE was unsuccessful");
    return result;
}
