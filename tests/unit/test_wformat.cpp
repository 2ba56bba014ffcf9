// The launcher's own wide formatter, which every log line goes through: the
// Windows meaning of %s and %S, the numbers the log formats use, and no
// write past the caller's buffer; and the text a console set to UTF-8
// receives.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "launcher/base/code_page.h"
#include "launcher/base/wformat.h"

namespace {

std::wstring fmt(const wchar_t* format, ...) {
    wchar_t buf[256];
    va_list args;
    va_start(args, format);
    formatWideV(buf, 256, format, args);
    va_end(args);
    return buf;
}

TEST(WideFormat, DirectivesOfTheLogFormats) {
    EXPECT_EQ(fmt(L"%s and %S", L"Gr\u00fc\u00dfe \u0416", "plain"), L"Gr\u00fc\u00dfe \u0416 and plain");
    EXPECT_EQ(fmt(L"%hs|%ls", "h-narrow", L"l-wide"), L"h-narrow|l-wide");
    EXPECT_EQ(fmt(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)");
    EXPECT_EQ(fmt(L"%-6s|%6s|%.2s", L"ab", L"cd", L"efgh"), L"ab    |    cd|ef");
    EXPECT_EQ(fmt(L"%d %d %u", 42, -7, 4000000000u), L"42 -7 4000000000");
    EXPECT_EQ(fmt(L"%I64d", static_cast<long long>(INT64_MIN)), L"-9223372036854775808");
    EXPECT_EQ(fmt(L"%lld|%05d|%-4d|%x|%X|%#x", 9LL, 42, 3, 255, 255, 255), L"9|00042|3   |ff|FF|0xff");
    EXPECT_EQ(fmt(L"%c%C", L'\u00e4', 'b'), L"\u00e4b");
    EXPECT_EQ(fmt(L"%.2f MB (%.1f%%)", 1.5, 15.0), L"1.50 MB (15.0%)");
    EXPECT_EQ(fmt(L"50%"), L"50%");
    EXPECT_EQ(fmt(L"%q stays"), L"%q stays");
    std::wstring p = fmt(L"%p", reinterpret_cast<void*>(static_cast<uintptr_t>(0xABC)));
    EXPECT_EQ(p, std::wstring(sizeof(void*) * 2 - 3, L'0') + L"ABC");
}

TEST(WideFormat, NarrowTextUsesTheSystemCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252";
    EXPECT_EQ(fmt(L"%S", "caf\xe9"), L"caf\u00e9");
}

TEST(WideFormat, NeverWritesPastTheBuffer) {
    wchar_t buf[8];
    for (wchar_t& c : buf) c = L'#';
    EXPECT_EQ(formatWide(buf, 5, L"%s-%S", L"abcdef", "ghij"), 4u);
    EXPECT_EQ(std::wstring(buf), L"abcd");
    EXPECT_EQ(buf[5], L'#');
    EXPECT_EQ(formatWide(buf, 1, L"xyz"), 0u);
    EXPECT_EQ(buf[0], L'\0');
    EXPECT_EQ(formatWide(buf, 0, L"xyz"), 0u);
}

// The launcher executable's snprintf is this engine; the C library's C99
// snprintf, which the unit tests still link, is the reference.
std::string narrow(size_t cap, int* length, const char* format, ...) {
    char buf[64] = "untouched";
    va_list args;
    va_start(args, format);
    *length = formatNarrowV(buf, cap, format, args);
    va_end(args);
    return buf;
}

// Same output and same result (the length of the whole text) as the C
// library's snprintf, for the buffer size given.
#define EXPECT_AS_C_LIBRARY(cap, ...)                                   \
    do {                                                                \
        char expected[64] = "untouched";                                \
        int expectedLength = std::snprintf(expected, cap, __VA_ARGS__); \
        int length = 0;                                                 \
        EXPECT_EQ(narrow(cap, &length, __VA_ARGS__), expected) << cap;  \
        EXPECT_EQ(length, expectedLength) << cap;                       \
    } while (0)

TEST(NarrowFormat, MatchesTheCLibraryIncludingTheLengthOfCutText) {
    const char* dir = "C:\\users\\kvo1a2b.tmp_dir7";
    for (size_t cap : {64u, 12u, 1u, 0u}) {
        EXPECT_AS_C_LIBRARY(cap, "%s\\%s", dir, "lib");
        EXPECT_AS_C_LIBRARY(cap, "%.*s|%d|%u|%lld", 3, dir, -42, 4000000000u, -9LL);
    }
    EXPECT_AS_C_LIBRARY(64, "[%-8s][%8s][%.3s]", "ab", "cd", "efgh");
    EXPECT_AS_C_LIBRARY(64, "%x %X %#x %05d %+d %%", 255u, 255u, 255u, 42, 7);
    int length = 0;
    EXPECT_EQ(narrow(64, &length, "%S|%ls|%hs", L"wide", L"also", "narrow"), "wide|also|narrow");
}

// UTF-8 (a console, or Windows' UTF-8 system setting as the file code page)
// takes no default character: Windows refuses the whole conversion when one
// is passed, so every text would come out empty. A legacy code page shows "?"
// for what it lacks.
TEST(CodePageText, EveryCodePageGetsTheText) {
    EXPECT_EQ(defaultCharFor(CP_UTF8), nullptr);
    EXPECT_EQ(defaultCharFor(CP_UTF7), nullptr);
    EXPECT_STREQ(defaultCharFor(1252), "?");
    EXPECT_STREQ(defaultCharFor(932), "?");

    const wchar_t text[] = L"Fehler \u00e4 \u4e2d";
    char* utf8 = newCodePageCopy(CP_UTF8, text);
    ASSERT_NE(utf8, nullptr);
    EXPECT_STREQ(utf8, "Fehler \xc3\xa4 \xe4\xb8\xad");
    std::free(utf8);
    char* western = newCodePageCopy(1252, text);
    ASSERT_NE(western, nullptr);
    EXPECT_STREQ(western, "Fehler \xe4 ?");
    std::free(western);

    char out[32];
    EXPECT_TRUE(toCodePage(CP_UTF8, text, out, sizeof(out)));
    EXPECT_STREQ(out, "Fehler \xc3\xa4 \xe4\xb8\xad");
    EXPECT_FALSE(toCodePage(1252, text, out, sizeof(out)));  // the default was needed
}

}  // namespace
