// The standard reflected CRC-32 (polynomial 0xEDB88320) in the
// init/update/final form, computed by zlib's table-driven routine, which
// works on the finished value and so is wrapped in complements here.
#include <zlib.h>

#include <climits>

#include "payload/extraction.h"

uint32_t crc32Init() { return 0xFFFFFFFFu; }

uint32_t crc32Update(uint32_t crc, const void* data, size_t size) {
    uLong value = ~crc & 0xFFFFFFFFu;
    const Bytef* bytes = static_cast<const Bytef*>(data);
    while (size > 0) {
        uInt piece = size > UINT_MAX ? UINT_MAX : static_cast<uInt>(size);
        value = crc32(value, bytes, piece);
        bytes += piece;
        size -= piece;
    }
    return ~static_cast<uint32_t>(value);
}

uint32_t crc32Final(uint32_t crc) { return ~crc; }
