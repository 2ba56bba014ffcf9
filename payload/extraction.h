// The payload integrity check and the extraction of the file records into the
// extraction directory.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "payload/progress.h"

// kExtractBadName: a record name would leave the extraction directory; the
// payload counts as corrupted and nothing has been written.
enum ExtractionResult { kExtractOk = 0, kExtractReadFailed = 1, kExtractWriteFailed = 2, kExtractBadName = 3 };

// Returns when the payload is intact or the check is off; otherwise shows the
// corrupted-file message and ends the process.
void verifyPayload(const PayloadProgress& progress);
// Extracts the records named by keys 2002/2003 into the extraction directory;
// records the unextracted position.
int extractFiles(const PayloadProgress& progress);
// A target left incomplete by a failed copy is deleted again.
int extractRecord(HANDLE source, const char* targetPath);
int copyRecordBytes(HANDLE source, HANDLE target, int64_t count, bool unscramble);

// Standard CRC-32 (the same as zlib's).
uint32_t crc32Init();
uint32_t crc32Update(uint32_t crc, const void* data, size_t size);
uint32_t crc32Final(uint32_t crc);
