// Command-line splitting as the launcher does it (quotes of both kinds, no escapes).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/base/arguments.h"

namespace {

std::vector<std::wstring> split(const wchar_t* line) {
    ArgumentList list;
    splitCommandLine(line, list);
    std::vector<std::wstring> out;
    for (int i = 0; i < list.count(); ++i) out.push_back(list.at(i));
    return out;
}

using Args = std::vector<std::wstring>;

TEST(SplitCommandLine, PlainWordsAndRepeatedBlanks) {
    EXPECT_EQ(split(L"setup.exe -q  -c "), (Args{L"setup.exe", L"-q", L"-c"}));
    EXPECT_EQ(split(L""), Args{});
    EXPECT_EQ(split(L"   "), Args{});
    EXPECT_EQ(split(L"single"), Args{L"single"});
}

TEST(SplitCommandLine, QuotedTextDirectlyFollowedByAWord) {
    EXPECT_EQ(split(L"word \"quoted text\"second"), (Args{L"word", L"quoted text", L"second"}));
}

TEST(SplitCommandLine, PropertyWithQuotedValueBecomesOneArgument) {
    EXPECT_EQ(split(L"-Dname=\"a value\" next"), (Args{L"-Dname=a value", L"next"}));
}

TEST(SplitCommandLine, SingleQuotesWorkAndTheEarlierQuoteKindWins) {
    EXPECT_EQ(split(L"'a b' c"), (Args{L"a b", L"c"}));
    // The single quote comes first, so the double quote inside is ordinary text.
    EXPECT_EQ(split(L"'say \"hi\"' x"), (Args{L"say \"hi\"", L"x"}));
    EXPECT_EQ(split(L"\"it's here\" x"), (Args{L"it's here", L"x"}));
}

TEST(SplitCommandLine, UnclosedQuoteRunsToTheEnd) {
    EXPECT_EQ(split(L"a \"b c"), (Args{L"a", L"b c"}));
}

TEST(SplitCommandLine, BackslashesAreOrdinary) {
    EXPECT_EQ(split(L"\"C:\\Program Files\\x\\\" y"), (Args{L"C:\\Program Files\\x\\", L"y"}));
}

TEST(SplitCommandLine, EmptyQuotesGiveAnEmptyArgument) {
    EXPECT_EQ(split(L"-temp \"\" x"), (Args{L"-temp", L"", L"x"}));
}

TEST(SplitCommandLine, TextBeforeAQuoteJoinsTheQuotedPart) {
    EXPECT_EQ(split(L"pre'x y'post z"), (Args{L"prex y", L"post", L"z"}));
    EXPECT_EQ(split(L"\"a b\"  c"), (Args{L"a b", L"c"}));
    EXPECT_EQ(split(L"\"a\"\"b\""), (Args{L"a", L"b"}));
}

TEST(SplitCommandLine, OnlySpacesSeparate) {
    EXPECT_EQ(split(L"a\tb c"), (Args{L"a\tb", L"c"}));
}

TEST(ArgumentListTest, RemoveKeepsOrder) {
    ArgumentList list;
    splitCommandLine(L"a b c d", list);
    list.remove(1);
    list.remove(7);
    ASSERT_EQ(list.count(), 3);
    EXPECT_STREQ(list.at(0), L"a");
    EXPECT_STREQ(list.at(1), L"c");
    EXPECT_STREQ(list.at(2), L"d");
}

}  // namespace
