// The payload integrity check: the CRC-32 of the verified range against the
// one in the header, before anything is extracted. A damaged payload is
// reported as such (even in quiet mode: a broken download must not look like
// a missing runtime) and ends the launch.
#include "payload/extraction.h"

#include <windows.h>

#include <cstdint>

#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/scoped.h"
#include "launcher/errors.h"
#include "launcher/state.h"
#include "payload/format.h"
#include "payload/piece_buffer.h"
#include "payload/reader.h"

namespace {

// CRC of the next `length` bytes of the file, in pieces; the progress bar
// follows the whole-number percentage. A short read is fatal (1009, "34").
uint32_t checksumOfRange(HANDLE file, int64_t length, const PayloadProgress& progress) {
    BYTE* piece = payloadPiece();
    if (!piece) {
        logError(L"no memory for the check");
        failMessageArg8(kMsgInternalError, "34");
    }
    uint32_t crc = crc32Init();
    int64_t done = 0;
    int64_t lastPercent = 0;
    while (done < length) {
        int64_t remaining = length - done;
        DWORD wanted = remaining < kPayloadPieceSize ? static_cast<DWORD>(remaining) : kPayloadPieceSize;
        DWORD got = 0;
        if (!ReadFile(file, piece, wanted, &got, nullptr) || got == 0) {
            logError(L"check ReadFile failed %d %d %I64d", static_cast<int>(got), static_cast<int>(GetLastError()),
                     done);
            failMessageArg8(kMsgInternalError, "34");
        }
        crc = crc32Update(crc, piece, got);
        done += got;
        if (progress.dialog) {
            progress.checkCancel();
            int64_t percent = done * 100 / length;
            if (percent > lastPercent) {
                lastPercent = percent;
                progress.position(static_cast<int>(percent));
            }
        }
    }
    return crc32Final(crc);
}

}  // namespace

void verifyPayload(const PayloadProgress& progress) {
    ScopedHandle file(openOwnExecutable());
    int64_t start = seekPayloadStart(file.get());
    logMessage(L"starting at %d", static_cast<int>(start));

    // Computed and expected differ until the magic has been seen.
    uint32_t computed = 0;
    uint32_t expected = 1;
    if (static_cast<uint32_t>(readInt(file.get())) == payload_format::kMagic) {
        expected = 0;
        if (g_launcher.integrityCheck && readInt(file.get()) != 0) {
            expected = static_cast<uint32_t>(readInt(file.get()));
            int64_t length = readLong(file.get());
            logMessage(L"verifying integrity length %I64d", length);
            // A negative length would verify nothing and pass whenever the
            // stored CRC is that of no data; such a header is damaged.
            computed = length < 0 ? ~expected : checksumOfRange(file.get(), length, progress);
            logMessage(L"checksums: %u %u %d %d", computed, expected, static_cast<int>(computed),
                       static_cast<int>(expected));
        } else if (progress.dialog) {
            progress.range(100, 400);
            progress.position(101);
        }
    }
    file.close();
    if (computed != expected) failPayloadBox(progress.dialog, kMsgCorruptedFile);
}
