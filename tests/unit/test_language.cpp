// Which Windows identifier decides the language. The identifiers come from
// stand-in sources here because Wine derives the user locale and the UI
// language from the same setting and so cannot present them differently; the
// process tests use the real ones.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "launcher/base/arguments.h"
#include "payload/language.h"
#include "payload/language_table.h"

namespace {

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
    if (commandLine) {
        ArgumentList arguments;
        splitCommandLine(commandLine, arguments);
        detectUiLanguageFrom(&arguments, kFake, code, sizeof(code));
    } else {
        detectUiLanguageFrom(nullptr, kFake, code, sizeof(code));
    }
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
