// Command-line splitting as the launcher does it: quotes of both kinds, no
// escapes, text around quotes. Every line a user or an installer may pass.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "launcher/base/arguments.h"

namespace {

using Args = std::vector<std::wstring>;

Args split(const wchar_t* line) {
    ArgumentList list;
    splitCommandLine(line, list);
    Args out;
    for (int i = 0; i < list.count(); ++i) out.push_back(list.at(i));
    return out;
}

TEST(SplitCommandLine, QuotesBlanksAndBackslashes) {
    const struct {
        const wchar_t* line;
        Args expected;
    } cases[] = {
        {L"setup.exe -q  -c ", {L"setup.exe", L"-q", L"-c"}},
        {L"", {}},
        {L"   ", {}},
        {L"word \"quoted text\"second", {L"word", L"quoted text", L"second"}},
        {L"-Dname=\"a value\" next", {L"-Dname=a value", L"next"}},
        {L"'a b' c", {L"a b", L"c"}},
        // The earlier quote kind wins; the other one is ordinary text inside.
        {L"'say \"hi\"' x", {L"say \"hi\"", L"x"}},
        {L"\"it's here\" x", {L"it's here", L"x"}},
        {L"a \"b c", {L"a", L"b c"}},
        {L"\"C:\\Program Files\\x\\\" y", {L"C:\\Program Files\\x\\", L"y"}},
        {L"-temp \"\" x", {L"-temp", L"", L"x"}},
        {L"pre'x y'post z", {L"prex y", L"post", L"z"}},
        {L"\"a\"\"b\"", {L"a", L"b"}},
        {L"a\tb c", {L"a\tb", L"c"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.line), c.expected) << std::string(c.line, c.line + wcslen(c.line));
}

}  // namespace
