// The CRC-32 of the payload check and of zlib's inflate. Long runs take the
// carry-less multiplication path on processors that have it, the rest the
// sliced tables: every length around their block sizes, at several
// alignments, in one piece and split, must give the value of the bit-by-bit
// definition, which the builder's CRC writes into the header.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "payload/extraction.h"

namespace {

uint32_t bitwiseCrc(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    while (size-- > 0) {
        crc ^= *data++;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

TEST(Crc32, MatchesTheDefinitionAtAnyLengthAndAlignment) {
    std::vector<uint8_t> data(3 * 65536 + 64);
    uint32_t state = 17;
    for (uint8_t& byte : data) byte = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 400; ++n) lengths.push_back(n);
    for (size_t n : {1023u, 1024u, 4095u, 65536u, 65600u, 3u * 65536u}) lengths.push_back(n);
    for (size_t offset = 0; offset < 16; offset += 5) {
        for (size_t n : lengths) {
            const uint8_t* start = data.data() + offset;
            uint32_t expected = bitwiseCrc(start, n);
            ASSERT_EQ(crc32Final(crc32Update(crc32Init(), start, n)), expected) << n << " at " << offset;
            uLong zlibForm = crc32(crc32(0, start, static_cast<uInt>(n / 2)), start + n / 2, static_cast<uInt>(n - n / 2));
            ASSERT_EQ(static_cast<uint32_t>(zlibForm), expected) << n << " through crc32() at " << offset;
            uint32_t split = crc32Update(crc32Update(crc32Init(), start, n / 3), start + n / 3, n - n / 3);
            ASSERT_EQ(crc32Final(split), expected) << n << " split at " << offset;
        }
    }
}

// zlib's inflate calls the launcher's adler32() for streams with a zlib header.
TEST(Adler32, GivesTheStandardValue) {
    const char text[] = "Wikipedia";
    EXPECT_EQ(adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(text), 9), 0x11E60398u);
}

}  // namespace
