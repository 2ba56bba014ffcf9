// The standard reflected CRC-32 (polynomial 0xEDB88320) in the
// init/update/final form, and zlib's crc32() on top of it. Long runs go
// through carry-less multiplication where the processor has it: VPCLMULQDQ
// on 256-bit registers folds 32 bytes per instruction, PCLMULQDQ with SSE4.1
// 16; the first is about twice, the second about four times as fast as a
// table. The check reads the whole payload, and on large payloads the CRC
// was a good part of a start. Short runs and processors without those
// instructions take eight tables at a time (slicing by 8), built on first use
// into zero-filled memory.
//
// zlib's inflate, which reads the included runtime's archive, calls crc32()
// on what it unpacks; defining it here keeps zlib's own CRC code and its
// precomputed tables (some 7 KiB of the stub) out of the executable and gives
// that path the folding too.
#include <immintrin.h>
#include <zlib.h>

#include <cstring>

#include "payload/extraction.h"

#include "payload/cpu_features.h"

namespace {

// Folding constants of the reflected polynomial (bit-reflected x^n mod P for
// the distances 8x128+32 and 8x128-32, 4x128+32 and 4x128-32, 128+32 and
// 128-32, 64), then P itself and the Barrett constant floor(x^64 / P), all
// with their implicit top bit.
constexpr long long kFoldBy1024Low = 0x1e88ef372, kFoldBy1024High = 0x14a7fe880;
constexpr long long kFoldBy512Low = 0x154442bd4, kFoldBy512High = 0x1c6e41596;
constexpr long long kFoldBy128Low = 0x1751997d0, kFoldBy128High = 0x0ccaa009e;
constexpr long long kFoldBy64 = 0x163cd6124;
constexpr long long kPolynomial = 0x1db710641, kBarrett = 0x1f7011641;
constexpr size_t kBlock = 16;
constexpr size_t kFoldMinimum = 4 * kBlock;
constexpr size_t kWideStride = 8 * kBlock;
constexpr size_t kWideMinimum = 2 * kWideStride;

#define TLX_CLMUL __attribute__((target("pclmul,sse4.1")))
#define TLX_WIDE_CLMUL __attribute__((target("avx2,vpclmulqdq,pclmul,sse4.1")))

TLX_CLMUL __m128i load(const unsigned char* data) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data)); }

// The 128-bit remainder carried over the given distance, added to the next block.
TLX_CLMUL __m128i fold(__m128i carried, __m128i constants, __m128i next) {
    __m128i low = _mm_clmulepi64_si128(carried, constants, 0x00);
    __m128i high = _mm_clmulepi64_si128(carried, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// The remaining 16-byte blocks folded into the 128-bit remainder, which is
// then reduced to the 32-bit CRC register.
TLX_CLMUL uint32_t finishFolding(__m128i a, const unsigned char* data, size_t size) {
    __m128i by128 = _mm_set_epi64x(kFoldBy128High, kFoldBy128Low);
    for (; size >= kBlock; data += kBlock, size -= kBlock) a = fold(a, by128, load(data));

    // 128 bits to 64, then Barrett reduction to the 32-bit remainder.
    __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
    a = _mm_xor_si128(_mm_srli_si128(a, 8), _mm_clmulepi64_si128(a, by128, 0x10));
    __m128i upper = _mm_srli_si128(a, 4);
    a = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(a, low32), _mm_set_epi64x(0, kFoldBy64), 0x00), upper);
    __m128i reduction = _mm_set_epi64x(kBarrett, kPolynomial);
    __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(a, low32), reduction, 0x10);
    __m128i product = _mm_clmulepi64_si128(_mm_and_si128(quotient, low32), reduction, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(a, product), 1));
}

// The CRC register after size bytes; size is a multiple of 16, at least 64.
TLX_CLMUL uint32_t foldedCrc(uint32_t crc, const unsigned char* data, size_t size) {
    __m128i by512 = _mm_set_epi64x(kFoldBy512High, kFoldBy512Low);
    __m128i a = _mm_xor_si128(load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i b = load(data + 16);
    __m128i c = load(data + 32);
    __m128i d = load(data + 48);
    for (data += 64, size -= 64; size >= 64; data += 64, size -= 64) {
        a = fold(a, by512, load(data));
        b = fold(b, by512, load(data + 16));
        c = fold(c, by512, load(data + 32));
        d = fold(d, by512, load(data + 48));
    }
    __m128i by128 = _mm_set_epi64x(kFoldBy128High, kFoldBy128Low);
    a = fold(fold(fold(a, by128, b), by128, c), by128, d);
    return finishFolding(a, data, size);
}

TLX_WIDE_CLMUL __m256i loadWide(const unsigned char* data) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
}

TLX_WIDE_CLMUL __m256i foldWide(__m256i carried, __m256i constants, __m256i next) {
    __m256i low = _mm256_clmulepi64_epi128(carried, constants, 0x00);
    __m256i high = _mm256_clmulepi64_epi128(carried, constants, 0x11);
    return _mm256_xor_si256(_mm256_xor_si256(low, high), next);
}

// As foldedCrc with eight 128-bit remainders in four 256-bit registers, each
// carried over 128 bytes per round; size is a multiple of 16, at least 256.
TLX_WIDE_CLMUL uint32_t wideFoldedCrc(uint32_t crc, const unsigned char* data, size_t size) {
    __m256i by1024 = _mm256_set_epi64x(kFoldBy1024High, kFoldBy1024Low, kFoldBy1024High, kFoldBy1024Low);
    __m256i lanes[4];
    lanes[0] = _mm256_xor_si256(loadWide(data), _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(crc))));
    for (int i = 1; i < 4; ++i) lanes[i] = loadWide(data + 32 * i);
    for (data += kWideStride, size -= kWideStride; size >= kWideStride; data += kWideStride, size -= kWideStride)
        for (int i = 0; i < 4; ++i) lanes[i] = foldWide(lanes[i], by1024, loadWide(data + 32 * i));
    // The eight remainders in the order of the data they stand for.
    __m128i by128 = _mm_set_epi64x(kFoldBy128High, kFoldBy128Low);
    __m128i a = _mm256_castsi256_si128(lanes[0]);
    a = fold(a, by128, _mm256_extracti128_si256(lanes[0], 1));
    for (int i = 1; i < 4; ++i) {
        a = fold(a, by128, _mm256_castsi256_si128(lanes[i]));
        a = fold(a, by128, _mm256_extracti128_si256(lanes[i], 1));
    }
    return finishFolding(a, data, size);
}

struct CrcTables {
    uint32_t slice[8][256];
};

// Not constexpr on purpose: computed at run time, the 8 KiB stay out of the file.
void buildTables(CrcTables& tables) {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t value = n;
        for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1u)));
        tables.slice[0][n] = value;
    }
    for (int k = 1; k < 8; ++k)
        for (int n = 0; n < 256; ++n)
            tables.slice[k][n] = (tables.slice[k - 1][n] >> 8) ^ tables.slice[0][tables.slice[k - 1][n] & 0xFF];
}

const CrcTables& crcTables() {
    static CrcTables tables;
    static const bool built = (buildTables(tables), true);
    (void)built;
    return tables;
}

uint32_t loadLittleEndian32(const unsigned char* bytes) {
    uint32_t value;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}

uint32_t tableCrc(uint32_t crc, const unsigned char* bytes, size_t size) {
    const auto& t = crcTables().slice;
    for (; size >= 8; bytes += 8, size -= 8) {
        uint32_t low = crc ^ loadLittleEndian32(bytes);
        uint32_t high = loadLittleEndian32(bytes + 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; size > 0; ++bytes, --size) crc = (crc >> 8) ^ t[0][(crc ^ *bytes) & 0xFF];
    return crc;
}

}  // namespace

uint32_t crc32Init() { return 0xFFFFFFFFu; }

uint32_t crc32Update(uint32_t crc, const void* data, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (size >= kFoldMinimum && hasCarrylessMultiply()) {
        size_t folded = size - size % kBlock;
        crc = size >= kWideMinimum && hasWideCarrylessMultiply() ? wideFoldedCrc(crc, bytes, folded)
                                                                 : foldedCrc(crc, bytes, folded);
        bytes += folded;
        size -= folded;
    }
    return tableCrc(crc, bytes, size);
}

uint32_t crc32Final(uint32_t crc) { return ~crc; }

// zlib's form: the finished value in and out, a null buffer gives the start value.
uLong crc32(uLong crc, const Bytef* buf, uInt len) {
    if (!buf) return 0;
    return crc32Final(crc32Update(~static_cast<uint32_t>(crc), buf, len));
}
