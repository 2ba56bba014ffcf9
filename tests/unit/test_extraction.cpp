// Record copying and extraction against real files under Wine: unscrambling,
// short sources, failed writes, zero-size records, removal of incomplete
// targets; the record-name list and its containment rule; the CRC-32.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "launcher/scoped_handle.h"
#include "payload/extraction.h"
#include "payload/format.h"
#include "payload/record_names.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string scratchDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char dir[MAX_PATH];
    std::snprintf(dir, sizeof(dir), "%sextraction_unit_%lu", temp, GetCurrentProcessId());
    CreateDirectoryA(dir, nullptr);
    return dir;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

Bytes readFile(const std::string& path) {
    Bytes bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A record as stored: 8-byte little-endian size, then the scrambled content.
void appendRecord(Bytes& out, const Bytes& content, int64_t declaredSize) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(declaredSize) >> (8 * i)));
    for (uint8_t b : content) out.push_back(b ^ payload_format::kScrambleMask);
}

Bytes pattern(size_t size, unsigned seed) {
    Bytes bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return bytes;
}

HANDLE openRead(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

int64_t position(HANDLE file) {
    LARGE_INTEGER zero = {}, now = {};
    SetFilePointerEx(file, zero, &now, FILE_CURRENT);
    return now.QuadPart;
}

class Extraction : public ::testing::Test {
protected:
    void SetUp() override { dir_ = scratchDir(); }
    void TearDown() override {
        for (const char* name : {"source.bin", "a.out", "b.out", "c.out", "readonly.out"}) {
            std::string path = dir_ + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
        RemoveDirectoryA(dir_.c_str());
    }
    std::string path(const char* name) const { return dir_ + "\\" + name; }
    std::string dir_;
};

TEST_F(Extraction, RecordsAreUnscrambledAndFollowEachOther) {
    // Several pieces of the copy, the last one short.
    Bytes first = pattern((1 << 20) * 2 + 17, 1), second = pattern(6000, 2);
    Bytes stored;
    appendRecord(stored, first, static_cast<int64_t>(first.size()));
    appendRecord(stored, {}, 0);
    appendRecord(stored, second, static_cast<int64_t>(second.size()));
    writeFile(path("source.bin"), stored);

    ScopedHandle source(openRead(path("source.bin")));
    ASSERT_TRUE(source.valid());
    EXPECT_EQ(extractRecord(source.get(), path("a.out").c_str()), kExtractOk);
    EXPECT_EQ(extractRecord(source.get(), path("b.out").c_str()), kExtractOk);
    EXPECT_EQ(extractRecord(source.get(), path("c.out").c_str()), kExtractOk);
    EXPECT_EQ(position(source.get()), static_cast<int64_t>(stored.size()));
    EXPECT_EQ(readFile(path("a.out")), first);
    EXPECT_FALSE(exists(path("b.out"))) << "a zero-size record creates no file";
    EXPECT_EQ(readFile(path("c.out")), second);
}

TEST_F(Extraction, NegativeSizeCreatesNothingAndConsumesOnlyTheSizeField) {
    Bytes stored;
    appendRecord(stored, {}, -5);
    writeFile(path("source.bin"), stored);
    ScopedHandle source(openRead(path("source.bin")));
    EXPECT_EQ(extractRecord(source.get(), path("a.out").c_str()), kExtractOk);
    EXPECT_FALSE(exists(path("a.out")));
    EXPECT_EQ(position(source.get()), 8);
}

TEST_F(Extraction, ShortSourceIsAReadFailureAndLeavesNoPartialFile) {
    Bytes content = pattern(20000, 3);
    Bytes stored;
    appendRecord(stored, content, 50000);  // declares more than is stored
    writeFile(path("source.bin"), stored);
    ScopedHandle source(openRead(path("source.bin")));
    EXPECT_EQ(extractRecord(source.get(), path("a.out").c_str()), kExtractReadFailed);
    EXPECT_FALSE(exists(path("a.out")));
}

TEST_F(Extraction, CopyWithoutUnscramblingAndFailedWrites) {
    Bytes content = pattern(13000, 4);
    writeFile(path("source.bin"), content);
    {
        ScopedHandle source(openRead(path("source.bin")));
        ScopedHandle target(CreateFileA(path("a.out").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_EQ(copyRecordBytes(source.get(), target.get(), 12999, false), kExtractOk);
    }
    EXPECT_EQ(readFile(path("a.out")), Bytes(content.begin(), content.end() - 1));

    writeFile(path("readonly.out"), {});
    ScopedHandle source(openRead(path("source.bin")));
    ScopedHandle target(openRead(path("readonly.out")));  // writes through it fail
    EXPECT_EQ(copyRecordBytes(source.get(), target.get(), 100, true), kExtractWriteFailed);
}

TEST(RecordNames, ListItemsSkipEmptyOnes) {
    char list[] = ";;tlxruntime.jar;;lib\\a.jar;last";
    char* cursor = list;
    std::vector<std::string> items;
    for (char* item = nextListItem(&cursor); item; item = nextListItem(&cursor)) items.push_back(item);
    EXPECT_EQ(items, (std::vector<std::string>{"tlxruntime.jar", "lib\\a.jar", "last"}));
    char empty[] = ";;;";
    cursor = empty;
    EXPECT_EQ(nextListItem(&cursor), nullptr);
}

TEST(RecordNames, NamesThatLeaveTheDirectoryAreRefused) {
    for (const char* good : {"tlxruntime.jar", "lib\\a.jar", "a\\b\\c.txt", "..name", "name..", "x.y.z", "CONFIG.txt",
                             "COM10", "nul_file"})
        EXPECT_TRUE(isSafeRecordName(good)) << good;
    for (const char* bad : {"..\\evil", "lib\\..\\..\\evil", "lib/../../evil", "..", "...\\x", ".. \\x", "\\evil",
                            "/evil", "\\\\server\\share\\x", "C:\\evil", "C:evil", "a:b", "file.txt:stream", "CON",
                            "lib\\nul.txt", "com1", "LPT9.log", "", "lib\\."})
        EXPECT_FALSE(isSafeRecordName(bad)) << bad;
}

TEST(Crc32, MatchesTheStandardCheckValueInAnyPieces) {
    const char* text = "123456789";
    uint32_t whole = crc32Final(crc32Update(crc32Init(), text, 9));
    EXPECT_EQ(whole, 0xCBF43926u);
    uint32_t crc = crc32Init();
    crc = crc32Update(crc, text, 4);
    crc = crc32Update(crc, text + 4, 0);
    crc = crc32Update(crc, text + 4, 5);
    EXPECT_EQ(crc32Final(crc), whole);
    EXPECT_EQ(crc32Final(crc32Update(crc32Init(), text, 0)), 0u);
}

// Long runs take the carry-less multiplication path on processors that have
// it: every length around its block sizes, at every alignment, in one piece
// and split, must give zlib's value.
TEST(Crc32, LongRunsMatchZlibAtAnyLengthAndAlignment) {
    Bytes data(3 * 65536 + 64);
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
