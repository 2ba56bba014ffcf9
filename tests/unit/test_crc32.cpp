// The payload check's CRC-32. Long runs take the carry-less multiplication
// path on processors that have it: every length around its block sizes, at
// several alignments, in one piece and split, must give zlib's value, which
// the builder writes into the header.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "payload/extraction.h"

namespace {

TEST(Crc32, LongRunsMatchZlibAtAnyLengthAndAlignment) {
    std::vector<uint8_t> data(3 * 65536 + 64);
    uint32_t state = 17;
    for (uint8_t& byte : data) byte = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 300; ++n) lengths.push_back(n);
    for (size_t n : {1023u, 1024u, 4095u, 65536u, 65600u, 3u * 65536u}) lengths.push_back(n);
    for (size_t offset = 0; offset < 16; offset += 5) {
        for (size_t n : lengths) {
            const uint8_t* start = data.data() + offset;
            uint32_t expected = static_cast<uint32_t>(crc32(0, start, static_cast<uInt>(n)));
            ASSERT_EQ(crc32Final(crc32Update(crc32Init(), start, n)), expected) << n << " at " << offset;
            uint32_t split = crc32Update(crc32Update(crc32Init(), start, n / 3), start + n / 3, n - n / 3);
            ASSERT_EQ(crc32Final(split), expected) << n << " split at " << offset;
        }
    }
}

}  // namespace
