// The CRC-32 of the payload check and of zlib's inflate. Long runs take the
// carry-less multiplication path on processors that have it, the rest the
// sliced tables: every length around their block sizes, at several
// alignments, in one piece and split, must give the value of the bit-by-bit
// definition, which the builder's CRC writes into the header. Then the record
// names that stay inside the extraction directory, and its clean-up, which
// must never empty the current directory.
#include <windows.h>
#include <zlib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "launcher/errors.h"
#include "launcher/state.h"
#include "payload/extraction.h"
#include "payload/record_names.h"

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
            uInt half = static_cast<uInt>(n / 2);
            uLong zlibForm = crc32(crc32(0, start, half), start + half, static_cast<uInt>(n - half));
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

// A refused name stops the launch before anything is written (the process
// tests show what that means on disk); this is the whole table of what counts
// as leaving.
TEST(RecordNames, NamesThatLeaveTheDirectoryAreRefused) {
    for (const char* good : {"tlxruntime.jar", "lib\\a.jar", "a\\b\\c.txt", "..name", "name..", "x.y.z", "CONFIG.txt",
                             "COM10", "nul_file"})
        EXPECT_TRUE(isSafeRecordName(good)) << good;
    for (const char* bad : {"..\\evil", "lib\\..\\..\\evil", "lib/../../evil", "..", "...\\x", ".. \\x", "\\evil",
                            "/evil", "\\\\server\\share\\x", "C:\\evil", "C:evil", "a:b", "file.txt:stream", "CON",
                            "lib\\nul.txt", "com1", "LPT9.log", "", "lib\\."})
        EXPECT_FALSE(isSafeRecordName(bad)) << bad;
}

TEST(RemoveExtractionDir, APathBeginningWithADotOrEmptyIsLeftAlone) {
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("tlx_errors_" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(root);
    std::ofstream(root / "keep.txt") << "kept";
    fs::path previous = fs::current_path();
    fs::current_path(root);
    for (const char* relative : {".", ".\\", ""}) {
        std::snprintf(g_launcher.extractionDir, sizeof(g_launcher.extractionDir), "%s", relative);
        removeExtractionDir();
    }
    g_launcher.extractionDir[0] = '\0';
    fs::current_path(previous);
    EXPECT_TRUE(fs::exists(root / "keep.txt"));
    fs::remove_all(root);
}

}  // namespace
