// Extraction of the payload's file records into the extraction directory:
// names from key 2003, content unscrambled while copying, the position behind
// the last record kept for the Java side.
#include "payload/extraction.h"

#include <windows.h>
#include <immintrin.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/scoped.h"
#include "launcher/errors.h"
#include "launcher/state.h"
#include "payload/config.h"
#include "payload/cpu_features.h"
#include "payload/format.h"
#include "payload/piece_buffer.h"
#include "payload/reader.h"
#include "payload/record_names.h"

namespace {

// 32 bytes at a time with AVX2, else 16 (one SSE2 register where there is
// one): the mask is the same in every byte, and a byte loop costs more than
// the copy itself once the compiler optimises for size.
__attribute__((target("avx2"))) DWORD unscrambleWide(BYTE* data, DWORD size) {
    const __m256i mask = _mm256_set1_epi8(static_cast<char>(payload_format::kScrambleMask));
    DWORD i = 0;
    for (; i + sizeof(__m256i) <= size; i += sizeof(__m256i)) {
        __m256i* lanes = reinterpret_cast<__m256i*>(data + i);
        _mm256_storeu_si256(lanes, _mm256_xor_si256(_mm256_loadu_si256(lanes), mask));
    }
    return i;
}

void unscrambleInPlace(BYTE* data, DWORD size) {
    typedef uint64_t Lanes __attribute__((vector_size(16)));
    constexpr uint64_t kWordMask = 0x0101010101010101ull * payload_format::kScrambleMask;
    const Lanes mask = {kWordMask, kWordMask};
    DWORD i = hasAvx2() ? unscrambleWide(data, size) : 0;
    for (; i + sizeof(Lanes) <= size; i += sizeof(Lanes)) {
        Lanes lanes;
        std::memcpy(&lanes, data + i, sizeof(lanes));
        lanes ^= mask;
        std::memcpy(data + i, &lanes, sizeof(lanes));
    }
    for (; i < size; ++i) data[i] ^= payload_format::kScrambleMask;
}

// The key 2003 list as a heap copy that frees itself.
class NameList {
public:
    NameList() : text_(getConfigStringCopy(kKeyFileNames)) {}
    ~NameList() { std::free(text_); }
    NameList(const NameList&) = delete;
    NameList& operator=(const NameList&) = delete;
    char* text() { return text_; }

private:
    char* text_;
};

// Every name that will be extracted is checked before the first file is
// written, so that a hostile list leaves nothing behind.
bool namesStayInside(int count) {
    NameList names;
    char* cursor = names.text();
    int checked = 0;
    for (char* name = nextListItem(&cursor); name && checked < count; name = nextListItem(&cursor), ++checked) {
        if (!isSafeRecordName(name)) {
            logError(L"file name leaves the extraction directory: %S", name);
            return false;
        }
    }
    return true;
}

// One directory level below the extraction directory, for a name "dir\file".
void createRecordDirectory(const char* name) {
    const char* backslash = std::strchr(name, '\\');
    if (!backslash) return;
    char directory[kPathCapacity];
    int n = std::snprintf(directory, sizeof(directory), "%s\\%.*s", g_launcher.extractionDir,
                          static_cast<int>(backslash - name), name);
    if (n < 0 || n >= static_cast<int>(sizeof(directory))) return;
    logMessage(L"creating directory %S", directory);
    if (!CreateDirectoryA(directory, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        logError(L"failed to create directory %S", directory);
}

bool seekTo(HANDLE file, int64_t position) {
    LARGE_INTEGER target;
    target.QuadPart = position;
    return SetFilePointerEx(file, target, nullptr, FILE_BEGIN) != 0;
}

int64_t currentPosition(HANDLE file) {
    LARGE_INTEGER zero = {};
    LARGE_INTEGER now = {};
    SetFilePointerEx(file, zero, &now, FILE_CURRENT);
    return now.QuadPart;
}

int extractNamedRecords(HANDLE source, int count, const PayloadProgress& progress) {
    NameList names;
    char* cursor = names.text();
    int extracted = 0;
    for (char* name = nextListItem(&cursor); name && extracted < count; name = nextListItem(&cursor), ++extracted) {
        char target[kPathCapacity];
        int n = std::snprintf(target, sizeof(target), "%s\\%s", g_launcher.extractionDir, name);
        if (n < 0 || n >= static_cast<int>(sizeof(target))) {
            // A cut path would name some other file; it cannot be created.
            logError(L"path too long for %S", name);
            failMessageArg8(kMsgInternalError, "11");
        }
        progress.checkCancel();
        createRecordDirectory(name);
        int result = extractRecord(source, target);
        if (result != kExtractOk) {
            logError(L"Failed to extract %S", target);
            return result;
        }
    }
    return kExtractOk;
}

}  // namespace

int copyRecordBytes(HANDLE source, HANDLE target, int64_t count, bool unscramble) {
    BYTE* piece = payloadPiece();
    if (!piece) {
        logError(L"no memory to copy a record");
        return kExtractReadFailed;
    }
    int64_t copied = 0;
    while (copied < count) {
        int64_t remaining = count - copied;
        DWORD wanted = remaining < kPayloadPieceSize ? static_cast<DWORD>(remaining) : kPayloadPieceSize;
        DWORD got = 0;
        if (!ReadFile(source, piece, wanted, &got, nullptr) || got == 0) {
            logError(L"ReadFile failed %d %d %I64d", static_cast<int>(got), static_cast<int>(GetLastError()), copied);
            return kExtractReadFailed;
        }
        if (unscramble) unscrambleInPlace(piece, got);
        DWORD written = 0;
        while (written < got) {
            DWORD now = 0;
            // A write that reports success without progress would loop forever.
            if (!WriteFile(target, piece + written, got - written, &now, nullptr) || now == 0) {
                logError(L"WriteFile failed %d %d", static_cast<int>(got - written), static_cast<int>(GetLastError()));
                return kExtractWriteFailed;
            }
            written += now;
        }
        copied += got;
    }
    return kExtractOk;
}

int extractRecord(HANDLE source, const char* targetPath) {
    int64_t size = readLong(source);
    logMessage(L"extracting %S (size: %I64d)", targetPath, size);
    if (size <= 0) return kExtractOk;
    ScopedHandle target(
        CreateFileA(targetPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.valid()) failMessageArg8(kMsgInternalError, "11");
    int result = copyRecordBytes(source, target.get(), size, true);
    target.close();
    // An incomplete file must not pass for the real one, in particular in a
    // language restart, whose directories are never cleaned up.
    if (result != kExtractOk) DeleteFileA(targetPath);
    return result;
}

namespace {

// The check and the extraction are done with the piece buffer once this returns.
struct PieceReleasedAtEnd {
    ~PieceReleasedAtEnd() { releasePayloadPiece(); }
};

}  // namespace

int extractFiles(const PayloadProgress& progress) {
    PieceReleasedAtEnd release;
    logMessage(L"extracting files");
    int count = getConfigInt(kKeyFileCount);
    logMessage(L"Included files: %d", count);
    if (count == 0) {
        // The Java side reads the unextracted data from here on; with no
        // records that data begins where the records would.
        setUnextractedPosition(fileDataPosition());
        return kExtractOk;
    }
    if (!namesStayInside(count)) return kExtractBadName;

    ScopedHandle file(openOwnExecutable());
    if (!seekTo(file.get(), fileDataPosition())) {
        logError(L"could not seek to the file data (%d)", static_cast<int>(GetLastError()));
        return kExtractReadFailed;
    }
    int result = extractNamedRecords(file.get(), count, progress);
    if (result != kExtractOk) return result;
    setUnextractedPosition(currentPosition(file.get()));
    file.close();
    logMessage(L"extracting files done");
    return kExtractOk;
}
