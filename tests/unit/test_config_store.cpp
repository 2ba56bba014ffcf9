// Configuration store getters: integers read like atoi, strings and messages
// cut to the caller's buffer, the message fallback to the setting, and the
// replacement of the first placeholder only. Then which Windows identifier
// decides the language of the messages. The identifiers come from stand-in
// sources here because Wine derives the user locale and the UI language from
// the same setting and so cannot present them differently; the process tests
// use the real ones.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "launcher/base/arguments.h"
#include "payload/config.h"
#include "payload/language.h"
#include "payload/language_table.h"

namespace {

wchar_t* wide(const std::wstring& text) {
    wchar_t* copy = static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
    std::wmemcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

class ConfigStore : public ::testing::Test {
protected:
    void SetUp() override { clearConfiguration(); }
    void TearDown() override { clearConfiguration(); }
};

TEST_F(ConfigStore, IntegersAndStrings) {
    setConfigEntry(2, strdup("abc"));
    setConfigEntry(3, strdup(" 12x"));
    setConfigEntry(4, strdup("-5"));
    EXPECT_EQ(getConfigInt(2), 0);
    EXPECT_EQ(getConfigInt(3), 12);
    EXPECT_EQ(getConfigInt(4), -5);
    EXPECT_EQ(getConfigInt(999), 0);
    setConfigEntry(2001, strdup("install"));
    char two[2] = {'x', 'x'};
    getConfigString(2001, two, sizeof(two));
    EXPECT_STREQ(two, "i");
    char missing[4] = "abc";
    getConfigString(77, missing, sizeof(missing));
    EXPECT_STREQ(missing, "");
}

TEST_F(ConfigStore, MessagesFallBackToTheSettingAndReplaceOnePlaceholder) {
    setConfigEntry(1000, strdup("Fehler"));
    wchar_t buffer[kMessageCapacity];
    EXPECT_FALSE(getMessage(1000, buffer));
    getMessageOrConfig(1000, buffer);
    EXPECT_STREQ(buffer, L"Fehler");
    setMessageEntry(1009, wide(L"An internal error occurred (error code: {0}) {0}"));
    formatMessage(1009, L"34", buffer);
    EXPECT_STREQ(buffer, L"An internal error occurred (error code: 34) {0}");
    formatMessage8(1009, "7", buffer);
    EXPECT_STREQ(buffer, L"An internal error occurred (error code: 7) {0}");
}

TEST_F(ConfigStore, LongMessagesAndArgumentsStayInsideTheBuffer) {
    setMessageEntry(20016, wide(std::wstring(9000, L'a')));
    setMessageEntry(1016, wide(std::wstring(5990, L'b') + L"{0}tail"));
    struct Guarded {
        wchar_t buffer[kMessageCapacity];
        wchar_t guard[8];
    } g;
    std::wmemset(g.guard, L'#', 8);
    EXPECT_TRUE(getMessage(20016, g.buffer));
    EXPECT_EQ(std::wcslen(g.buffer), kMessageCapacity - 1);
    formatMessage(1016, std::wstring(100, L'x').c_str(), g.buffer);
    EXPECT_EQ(std::wcslen(g.buffer), kMessageCapacity - 1);
    for (wchar_t c : g.guard) EXPECT_EQ(c, L'#');
}

LANGID g_formatLocale;
LANGID g_uiLanguage;
bool g_hasUiLanguage;

LANGID fakeFormatLocale() { return g_formatLocale; }
bool fakeUiLanguage(LANGID* language) {
    if (g_hasUiLanguage) *language = g_uiLanguage;
    return g_hasUiLanguage;
}
const LanguageSources kFake = {fakeFormatLocale, fakeUiLanguage};

std::string detect(LANGID formatLocale, LANGID uiLanguage, const wchar_t* commandLine, bool hasUi = true) {
    g_formatLocale = formatLocale;
    g_uiLanguage = uiLanguage;
    g_hasUiLanguage = hasUi;
    char code[16] = "garbage";
    ArgumentList arguments;
    if (commandLine) splitCommandLine(commandLine, arguments);
    detectUiLanguageFrom(commandLine ? &arguments : nullptr, kFake, code, sizeof(code));
    return code;
}

std::string lookup(LANGID identifier) {
    char code[16] = "untouched";
    languageCodeFor(identifier, code, sizeof(code));
    return code;
}

// Rows of the table are data; what is tested is the rule: the exact
// identifier first, else its primary language, else English.
TEST(LocaleTable, ExactIdentifierThenPrimaryLanguageThenEnglish) {
    EXPECT_EQ(lookup(0x0c07), "de_AT");
    EXPECT_EQ(lookup(0x4809), "en");  // English as used in Singapore: not listed, its primary language is
    EXPECT_EQ(lookup(0x0428), "untouched");
    EXPECT_EQ(detect(0x0028, 0x0028, nullptr), "en");
}

TEST(DetectUiLanguage, TheUiLanguageDecidesByDefault) {
    EXPECT_EQ(detect(0x040c, 0x0807, nullptr), "de_CH");
    EXPECT_EQ(detect(0x040c, 0x0807, L"setup.exe -q"), "de_CH");
}

TEST(DetectUiLanguage, FormatAsDefaultSwitchesToTheFormatLocale) {
    EXPECT_EQ(detect(0x040c, 0x0c07, L"setup.exe -Dsun.locale.formatasdefault=true"), "fr_FR");
    // Only "true" itself counts (the last occurrence winning a launch shows).
    EXPECT_EQ(detect(0x040c, 0x0c07, L"setup.exe -Dsun.locale.formatasdefault=TRUE"), "de_AT");
    EXPECT_EQ(detect(0x040c, 0x0c07, L"setup.exe -Dsun.locale.formatasdefault=truex"), "de_AT");
}

TEST(DetectUiLanguage, WithoutTheUiLanguageCallTheFormatLocaleStays) {
    EXPECT_EQ(detect(0x0410, 0x0c07, L"setup.exe", false), "it_IT");
}

}  // namespace
