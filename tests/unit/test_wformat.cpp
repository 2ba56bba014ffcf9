// The launcher's wide formatter: Windows meaning of %s/%S, bounds, numbers.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

#include "launcher/wformat.h"

namespace {

std::wstring fmt(const wchar_t* format, ...) {
    wchar_t buf[256];
    va_list args;
    va_start(args, format);
    formatWideV(buf, 256, format, args);
    va_end(args);
    return buf;
}

TEST(WideFormat, StringDirectivesFollowWindowsMeaning) {
    EXPECT_EQ(fmt(L"[%s]", L"wide text"), L"[wide text]");
    EXPECT_EQ(fmt(L"[%S]", "narrow text"), L"[narrow text]");
    EXPECT_EQ(fmt(L"%s and %S", L"Gr\u00fc\u00dfe \u0416", "plain"), L"Gr\u00fc\u00dfe \u0416 and plain");
    EXPECT_EQ(fmt(L"%hs|%ls", "h-narrow", L"l-wide"), L"h-narrow|l-wide");
    EXPECT_EQ(fmt(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)");
    EXPECT_EQ(fmt(L"%-6s|%6s|%.2s", L"ab", L"cd", L"efgh"), L"ab    |    cd|ef");
}

TEST(WideFormat, NarrowTextUsesTheSystemCodePage) {
    // "caf\xe9" in the ANSI code page of an English system is "café".
    if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252";
    EXPECT_EQ(fmt(L"%S", "caf\xe9"), L"caf\u00e9");
}

TEST(WideFormat, Integers) {
    EXPECT_EQ(fmt(L"%d %d %u", 42, -7, 4000000000u), L"42 -7 4000000000");
    EXPECT_EQ(fmt(L"%I64d", static_cast<long long>(-123456789012345LL)), L"-123456789012345");
    EXPECT_EQ(fmt(L"%I64d", static_cast<long long>(INT64_MIN)), L"-9223372036854775808");
    EXPECT_EQ(fmt(L"%lld|%05d|%-4d|%x|%X|%#x", 9LL, 42, 3, 255, 255, 255), L"9|00042|3   |ff|FF|0xff");
    EXPECT_EQ(fmt(L"%c%C", L'\u00e4', 'b'), L"\u00e4b");
    EXPECT_EQ(fmt(L"100%%"), L"100%");
}

TEST(WideFormat, PointersAreFixedWidthUpperHex) {
    std::wstring p = fmt(L"%p", reinterpret_cast<void*>(static_cast<uintptr_t>(0xABC)));
    EXPECT_EQ(p.size(), sizeof(void*) * 2);
    EXPECT_EQ(p.substr(p.size() - 3), L"ABC");
}

TEST(WideFormat, FloatsForProgressLines) {
    EXPECT_EQ(fmt(L"%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s", 1.5, 10.0, 15.0, 123.456),
              L"1.50 MB of 10.00 MB (15.0%) at 123.5 kb/s");
}

TEST(WideFormat, NeverWritesPastTheBuffer) {
    wchar_t buf[8];
    for (wchar_t& c : buf) c = L'#';
    size_t n = formatWide(buf, 5, L"%s-%S", L"abcdef", "ghij");
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(std::wstring(buf), L"abcd");
    EXPECT_EQ(buf[5], L'#');
    EXPECT_EQ(formatWide(buf, 1, L"xyz"), 0u);
    EXPECT_EQ(buf[0], L'\0');
    EXPECT_EQ(formatWide(buf, 0, L"xyz"), 0u);
}

TEST(WideFormat, MalformedDirectivesAreCopied) {
    EXPECT_EQ(fmt(L"50%"), L"50%");
    EXPECT_EQ(fmt(L"%q stays"), L"%q stays");
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
#define EXPECT_AS_C_LIBRARY(cap, ...)                                           \
    do {                                                                        \
        char expected[64] = "untouched";                                        \
        int expectedLength = std::snprintf(expected, cap, __VA_ARGS__);         \
        int length = 0;                                                         \
        EXPECT_EQ(narrow(cap, &length, __VA_ARGS__), expected) << cap;          \
        EXPECT_EQ(length, expectedLength) << cap;                               \
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

}  // namespace
