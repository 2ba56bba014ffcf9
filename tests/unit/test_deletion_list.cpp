// The deletion list's reader and the bounded message texts: where lines are
// cut into pieces, what an odd trailing byte does, how the texts stop at their
// limit. The list is a real file written through Wine's file system.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "deferred_delete/deletion_state.h"
#include "deferred_delete/list_reader.h"

namespace {

class DeletionListFile : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"dlt", 0, path_);
    }
    void TearDown() override {
        closeListFile(reader_);
        DeleteFileW(path_);
    }

    void write(const std::wstring& text, const std::string& tail = std::string()) {
        FILE* file = _wfopen(path_, L"wb");
        ASSERT_NE(file, nullptr);
        for (wchar_t unit : text) {
            std::fputc(unit & 0xFF, file);
            std::fputc((unit >> 8) & 0xFF, file);
        }
        std::fwrite(tail.data(), 1, tail.size(), file);
        std::fclose(file);
        ASSERT_TRUE(openListFile(reader_, path_));
    }

    wchar_t path_[MAX_PATH] = {};
    ListReader reader_ = {};
    wchar_t buffer_[kListUnits];
};

TEST_F(DeletionListFile, LongLineComesInPiecesOfTheBufferSize) {
    std::wstring line(10000, L'x');
    write(line + L"\r\nnext\n");
    ListPiece piece;
    ASSERT_TRUE(readListPiece(reader_, buffer_, kListUnits, piece));
    EXPECT_EQ(piece.length, kListUnits - 1);
    EXPECT_TRUE(piece.startsLine);
    EXPECT_FALSE(piece.endsLine);
    ASSERT_TRUE(readListPiece(reader_, buffer_, kListUnits, piece));
    EXPECT_EQ(std::wstring(buffer_), std::wstring(10000 - (kListUnits - 1), L'x') + L"\r\n");
    EXPECT_FALSE(piece.startsLine);
    EXPECT_TRUE(piece.endsLine);
    ASSERT_TRUE(readListPiece(reader_, buffer_, kListUnits, piece));
    EXPECT_EQ(std::wstring(buffer_), L"next\n");
    EXPECT_TRUE(piece.startsLine);
    EXPECT_FALSE(readListPiece(reader_, buffer_, kListUnits, piece));
}

TEST_F(DeletionListFile, LineFillingTheBufferExactlyAtTheEndOfTheFileIsWhole) {
    write(std::wstring(kListUnits - 1, L'y'));
    size_t length = 0;
    bool intact = false;
    ASSERT_TRUE(readEntryLine(reader_, buffer_, kListUnits, length, intact));
    EXPECT_TRUE(intact);
    EXPECT_EQ(length, kListUnits - 1);
}

TEST_F(DeletionListFile, EntryLinesLoseTheirLineEndsAndOverlongOnesTheirText) {
    write(L"C:\\a.txt\r\r\n" + std::wstring(kListUnits, L'z') + L"C:\\tail.txt\n\nC:\\b\n");
    size_t length = 0;
    bool intact = false;
    ASSERT_TRUE(readEntryLine(reader_, buffer_, kListUnits, length, intact));
    EXPECT_TRUE(intact);
    EXPECT_EQ(std::wstring(buffer_), L"C:\\a.txt");
    ASSERT_TRUE(readEntryLine(reader_, buffer_, kListUnits, length, intact));
    EXPECT_FALSE(intact);
    EXPECT_EQ(length, 0u);
    ASSERT_TRUE(readEntryLine(reader_, buffer_, kListUnits, length, intact));
    EXPECT_TRUE(intact);
    EXPECT_EQ(length, 0u);
    ASSERT_TRUE(readEntryLine(reader_, buffer_, kListUnits, length, intact));
    EXPECT_EQ(std::wstring(buffer_), L"C:\\b");
    EXPECT_FALSE(readEntryLine(reader_, buffer_, kListUnits, length, intact));
}

TEST_F(DeletionListFile, OddTrailingByteIsNoUnit) {
    write(L"C:\\a.txt", "\x41");
    size_t length = 0;
    bool intact = false;
    ASSERT_TRUE(readEntryLine(reader_, buffer_, kListUnits, length, intact));
    EXPECT_EQ(std::wstring(buffer_), L"C:\\a.txt");
    EXPECT_FALSE(readEntryLine(reader_, buffer_, kListUnits, length, intact));
}

TEST_F(DeletionListFile, TextSectionEndsOnlyAtALineThatBeginsWithTheMarker) {
    std::wstring longLine(kListUnits - 1, L'q');
    write(L"Restart now?\r\n" + longLine + L"EOSMARKER inside a line\r\nEOSMARKER\r\nnot read\r\n");
    BoundedText text;
    clearText(text);
    readTextSection(reader_, buffer_, kListUnits, &text);
    // The second line is cut at the limit: only its first units fit.
    std::wstring expected = L"Restart now?\r\n" + longLine;
    expected.resize(kListUnits - 1);
    EXPECT_EQ(std::wstring(text.text), expected);
    size_t length = 0;
    bool intact = false;
    ASSERT_TRUE(readEntryLine(reader_, buffer_, kListUnits, length, intact));
    EXPECT_EQ(std::wstring(buffer_), L"not read");
}

TEST(BoundedText, StopsAtTheLimitForGood) {
    static BoundedText text;
    clearText(text);
    std::wstring chunk(5000, L'a');
    appendText(text, chunk.c_str(), chunk.size());
    appendText(text, chunk.c_str(), chunk.size());
    EXPECT_EQ(text.length, kListUnits - 1);
    EXPECT_EQ(text.text[kListUnits - 1], L'\0');
    EXPECT_TRUE(text.full);
    appendText(text, L"b", 1);
    EXPECT_EQ(text.length, kListUnits - 1);
    EXPECT_EQ(std::wstring(text.text).find(L'b'), std::wstring::npos);
}

TEST(BoundedText, CutNeverSplitsASurrogatePair) {
    static BoundedText text;
    clearText(text);
    std::wstring filler(kListUnits - 2, L'a');
    appendText(text, filler.c_str(), filler.size());
    const wchar_t pair[] = {0xD83D, 0xDE00, 0};
    appendText(text, pair, 2);
    EXPECT_EQ(text.length, kListUnits - 2);
    EXPECT_EQ(text.text[text.length - 1], L'a');
    EXPECT_TRUE(text.full);
}

TEST(BoundedText, StopsAtANulUnit) {
    static BoundedText text;
    clearText(text);
    const wchar_t units[] = {L'o', L'k', 0, L'x'};
    appendText(text, units, 4);
    EXPECT_EQ(std::wstring(text.text), L"ok");
    EXPECT_FALSE(text.full);
}

}  // namespace
