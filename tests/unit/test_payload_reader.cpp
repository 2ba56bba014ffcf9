// Reading payload tables and language blocks from real payload bytes written
// by the build tool's writer into a file.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "builder/payload_writer.h"
#include "launcher/state.h"
#include "payload/config.h"
#include "payload/reader.h"

namespace {

using payload_writer::Bytes;
using payload_writer::LanguageBlock;
using payload_writer::PayloadLayout;
using payload_writer::PayloadSpec;

class PayloadFile : public ::testing::Test {
protected:
    void SetUp() override {
        clearConfiguration();
        g_launcher.messageBoxes = true;
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"tpl", 0, path_);
    }
    void TearDown() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        DeleteFileW(path_);
        clearConfiguration();
        g_launcher.messageBoxes = true;
    }

    // Writes the payload behind a few bytes of other content and opens it at
    // the payload start, as seekPayloadStart would leave it.
    HANDLE open(const PayloadSpec& spec, PayloadLayout* layout = nullptr) {
        Bytes payload = payload_writer::buildPayload(spec, layout);
        FILE* out = _wfopen(path_, L"wb");
        std::fwrite("front matter", 1, 12, out);
        std::fwrite(payload.data(), 1, payload.size(), out);
        std::fclose(out);
        file_ = CreateFileW(path_, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER start;
        start.QuadPart = 12;
        SetFilePointerEx(file_, start, nullptr, FILE_BEGIN);
        return file_;
    }

    int64_t position() {
        LARGE_INTEGER zero, now;
        zero.QuadPart = 0;
        SetFilePointerEx(file_, zero, &now, FILE_CURRENT);
        return now.QuadPart;
    }

    std::wstring message(int id) {
        wchar_t buffer[kMessageCapacity];
        getMessage(id, buffer);
        return buffer;
    }

    wchar_t path_[MAX_PATH] = {};
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

LanguageBlock block(const char* code, std::u16string caption, std::u16string cancel) {
    LanguageBlock b;
    b.code = code;
    if (!caption.empty()) b.entries.push_back({1000, caption});
    if (!cancel.empty()) b.entries.push_back({20012, cancel});
    return b;
}

TEST_F(PayloadFile, TablesFillTheStore) {
    PayloadSpec spec;
    spec.narrow = {{107, "1"}, {2001, "i"}, {126, "1.8"}};
    spec.wide = {{1000, u"Error"}, {1009, u"An internal error occurred (error code: {0})"}, {20016, u""}};
    PayloadLayout layout;
    HANDLE file = open(spec, &layout);
    readPayloadTables(file);
    EXPECT_EQ(getConfigInt(107), 1);
    char text[16];
    getConfigString(126, text, sizeof(text));
    EXPECT_STREQ(text, "1.8");
    EXPECT_EQ(getConfigInt(2002), 0);
    EXPECT_EQ(message(1000), L"Error");
    EXPECT_EQ(message(1009), L"An internal error occurred (error code: {0})");
    wchar_t buffer[kMessageCapacity];
    EXPECT_TRUE(getMessage(20016, buffer));   // present, and empty
    EXPECT_STREQ(buffer, L"");
    EXPECT_EQ(position(), 12 + static_cast<int64_t>(layout.languagesStart));
    EXPECT_TRUE(g_launcher.messageBoxes);     // launcher kind 1 keeps message boxes
}

TEST_F(PayloadFile, AnEmptyPayloadIsValidAndEveryKeyReadsAsMissing) {
    PayloadSpec spec;
    spec.deriveFileKeys = false;
    PayloadLayout layout;
    HANDLE file = open(spec, &layout);
    readPayloadTables(file);
    readLanguageBlocks(file, "de_AT");
    EXPECT_EQ(position(), 12 + static_cast<int64_t>(layout.recordsStart));
    EXPECT_EQ(getConfigInt(107), 0);
    EXPECT_EQ(message(1000), L"");
    EXPECT_FALSE(g_launcher.messageBoxes);    // a missing launcher kind means standard error
}

TEST_F(PayloadFile, LauncherKindsOtherThanOneAndFiveTurnMessageBoxesOff) {
    for (const char* kind : {"0", "2", "5", "1", "x"}) {
        clearConfiguration();
        g_launcher.messageBoxes = true;
        PayloadSpec spec;
        spec.narrow = {{107, kind}};
        HANDLE file = open(spec);
        readPayloadTables(file);
        CloseHandle(file);
        file_ = INVALID_HANDLE_VALUE;
        bool boxes = std::string(kind) == "1" || std::string(kind) == "5";
        EXPECT_EQ(g_launcher.messageBoxes, boxes) << "key 107 = " << kind;
    }
}

TEST_F(PayloadFile, LanguageBlocksApplyByPrefixInStoredOrder) {
    PayloadSpec spec;
    spec.wide = {{1000, u"Error"}, {20012, u"Cancel"}, {20013, u"Wizard"}};
    spec.languages = {block("de_DE", u"Fehler (DE)", u"Abbrechen (DE)"), block("de", u"Fehler", u"Abbrechen"),
                      block("de_AT", u"Fehler (AT)", u""), block("fr", u"Erreur", u"Annuler"),
                      block("de_ATX", u"zu lang", u"zu lang"), block("De", u"gross", u"gross")};
    PayloadLayout layout;
    HANDLE file = open(spec, &layout);
    readPayloadTables(file);
    readLanguageBlocks(file, "de_AT");
    EXPECT_EQ(message(1000), L"Fehler (AT)");   // de, then de_AT stored after it
    EXPECT_EQ(message(20012), L"Abbrechen");    // de_DE skipped, de applied
    EXPECT_EQ(message(20013), L"Wizard");       // no block overrides it
    EXPECT_EQ(position(), 12 + static_cast<int64_t>(layout.recordsStart));
}

TEST_F(PayloadFile, ALaterLanguageOnlyBlockWinsOverAnEarlierCountryBlock) {
    PayloadSpec spec;
    spec.wide = {{1000, u"Error"}};
    spec.languages = {block("de_AT", u"Fehler (AT)", u""), block("de", u"Fehler", u"")};
    HANDLE file = open(spec);
    readPayloadTables(file);
    readLanguageBlocks(file, "de_AT");
    EXPECT_EQ(message(1000), L"Fehler");
}

TEST_F(PayloadFile, AnEmptyBlockCodeAppliesToEveryLanguageAndBlocksMayAddMessages) {
    PayloadSpec spec;
    spec.wide = {{1000, u"Error"}};
    spec.languages = {block("", u"Fault", u"Stop")};
    HANDLE file = open(spec);
    readPayloadTables(file);
    readLanguageBlocks(file, "ja_JP");
    EXPECT_EQ(message(1000), L"Fault");
    EXPECT_EQ(message(20012), L"Stop");
}

TEST_F(PayloadFile, NonAsciiTextsSurviveBothTables) {
    PayloadSpec spec;
    spec.narrow = {{2003, "caf\xe9.txt;"}};
    spec.wide = {{20007, u"Gr\u00fc\u00dfe \u65e5\u672c"}};
    spec.languages = {block("ru", u"\u041e\u0448\u0438\u0431\u043a\u0430", u"")};
    HANDLE file = open(spec);
    readPayloadTables(file);
    readLanguageBlocks(file, "ru_RU");
    char narrow[32];
    getConfigString(2003, narrow, sizeof(narrow));
    EXPECT_STREQ(narrow, "caf\xe9.txt;");
    EXPECT_EQ(message(20007), L"Gr\u00fc\u00dfe \u65e5\u672c");
    EXPECT_EQ(message(1000), L"\u041e\u0448\u0438\u0431\u043a\u0430");
}

TEST(SelectedLanguage, LanguageAndCountryFromTheCode) {
    setSelectedLanguage("de_AT");
    EXPECT_STREQ(selectedLanguage(), "de");
    EXPECT_STREQ(selectedCountry(), "AT");
    setSelectedLanguage("no_NO_NY");
    EXPECT_STREQ(selectedLanguage(), "no");
    EXPECT_STREQ(selectedCountry(), "");
    setSelectedLanguage("en");
    EXPECT_STREQ(selectedLanguage(), "en");
    EXPECT_STREQ(selectedCountry(), "");
}

TEST(PayloadLocation, TheReaderAndTheBuildToolAgreeOnThisExecutable) {
    HANDLE own = openOwnExecutable();
    int64_t start = seekPayloadStart(own);
    LARGE_INTEGER size;
    GetFileSizeEx(own, &size);
    Bytes image(static_cast<size_t>(size.QuadPart));
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    SetFilePointerEx(own, zero, nullptr, FILE_BEGIN);
    DWORD got = 0;
    ReadFile(own, image.data(), static_cast<DWORD>(image.size()), &got, nullptr);
    CloseHandle(own);
    uint64_t expected = 0;
    std::string error;
    ASSERT_TRUE(payload_writer::findPayloadStart(image, &expected, &error)) << error;
    EXPECT_EQ(static_cast<uint64_t>(start), expected);
    EXPECT_GT(start, 1024);
}

}  // namespace
