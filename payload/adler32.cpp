// zlib's adler32(), which its inflate references for streams with a zlib
// header. The launcher only ever inflates gzip streams (the included
// runtime's archive), whose check is the CRC-32, so this plain version is
// never on a hot path; defining it keeps zlib's unrolled one out of the stub.
#include <zlib.h>

namespace {

constexpr uLong kModulus = 65521;
// The most bytes whose sums cannot overflow 32 bits before the reduction.
constexpr uInt kMostBeforeReduction = 5552;

}  // namespace

uLong adler32(uLong adler, const Bytef* buf, uInt len) {
    if (!buf) return 1;
    uLong low = adler & 0xFFFF, high = (adler >> 16) & 0xFFFF;
    while (len > 0) {
        uInt run = len < kMostBeforeReduction ? len : kMostBeforeReduction;
        len -= run;
        while (run-- > 0) {
            low += *buf++;
            high += low;
        }
        low %= kModulus;
        high %= kModulus;
    }
    return (high << 16) | low;
}
