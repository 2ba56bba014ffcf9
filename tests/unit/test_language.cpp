// Language choice: the table lookup and which Windows identifier decides.
// The identifiers come from stand-in sources here because Wine derives the
// user locale and the UI language from the same setting and so cannot
// present them differently; the process tests use the real ones.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "launcher/base/arguments.h"
#include "log_capture.h"
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

TEST(LocaleTable, HoldsEveryRowOnceWithBarePrimaryLanguagesFirst) {
    ASSERT_EQ(kLocaleTableSize, 215u);
    std::set<LANGID> seen;
    size_t primaries = 0;
    for (size_t i = 0; i < kLocaleTableSize; ++i) {
        EXPECT_TRUE(seen.insert(kLocaleTable[i].identifier).second) << kLocaleTable[i].code;
        if (kLocaleTable[i].identifier < 0x400) {
            ++primaries;
            EXPECT_EQ(primaries, i + 1) << "primary row after a full identifier: " << kLocaleTable[i].code;
        }
    }
    EXPECT_EQ(primaries, 71u);
}

TEST(LocaleTable, ExactIdentifierBeforePrimaryLanguage) {
    const struct {
        LANGID identifier;
        const char* code;
    } cases[] = {
        {0x0807, "de_CH"}, {0x0c07, "de_AT"}, {0x0814, "no_NO_NY"}, {0x0812, "ko_KR"}, {0x2409, "en"},
        {0x040d, "iw_IL"}, {0x0421, "in_ID"}, {0x081a, "sr_CS"},    {0x500a, "es_PR"}, {0x0456, "gl_ES"},
        {0x0056, "gl"},
        // English as used in Singapore is not listed: its primary language decides.
        {0x4809, "en"},
    };
    for (const auto& c : cases) EXPECT_EQ(lookup(c.identifier), c.code) << std::hex << c.identifier;
}

TEST(LocaleTable, UnknownPrimaryLanguageLeavesTheBufferAlone) {
    EXPECT_EQ(lookup(0x0028), "untouched");
    EXPECT_EQ(lookup(0x0428), "untouched");
    EXPECT_EQ(detect(0x0028, 0x0028, nullptr), "en");
}

TEST(DetectUiLanguage, TheUiLanguageDecidesByDefault) {
    EXPECT_EQ(detect(0x040c, 0x0807, nullptr), "de_CH");
    EXPECT_EQ(detect(0x040c, 0x0807, L"setup.exe -q"), "de_CH");
}

TEST(DetectUiLanguage, FormatAsDefaultSwitchesToTheFormatLocale) {
    EXPECT_EQ(detect(0x040c, 0x0c07, L"setup.exe -Dsun.locale.formatasdefault=true"), "fr_FR");
    // The last occurrence wins; anything but "true" turns it off again.
    EXPECT_EQ(detect(0x040c, 0x0c07, L"setup.exe -Dsun.locale.formatasdefault=true -Dsun.locale.formatasdefault=1"),
              "de_AT");
    EXPECT_EQ(detect(0x040c, 0x0c07, L"setup.exe -Dsun.locale.formatasdefault=false -Dsun.locale.formatasdefault=true"),
              "fr_FR");
    EXPECT_EQ(detect(0x040c, 0x0c07, L"setup.exe -Dsun.locale.formatasdefault=TRUE"), "de_AT");
    EXPECT_EQ(detect(0x040c, 0x0c07, L"setup.exe -Dsun.locale.formatasdefault=truex"), "de_AT");
}

TEST(DetectUiLanguage, WithoutTheUiLanguageCallTheFormatLocaleStays) {
    EXPECT_EQ(detect(0x0410, 0x0c07, L"setup.exe", false), "it_IT");
}

TEST(DetectUiLanguage, LogsTheDecisionOnlyWhenThereAreArguments) {
    LogCapture withArguments;
    detect(0x0409, 0x0816, L"setup.exe -Dsun.locale.formatasdefault=true");
    std::wstring logged = withArguments.text();
    EXPECT_NE(logged.find(L"sun.locale.formatasdefault is true\n"), std::wstring::npos) << logged;
    EXPECT_NE(logged.find(L"language/country is en_US\n"), std::wstring::npos) << logged;

    LogCapture withoutArguments;
    detect(0x0409, 0x0816, nullptr);
    logged = withoutArguments.text();
    EXPECT_EQ(logged.find(L"sun.locale.formatasdefault"), std::wstring::npos) << logged;
    EXPECT_NE(logged.find(L"language/country is pt_PT\n"), std::wstring::npos) << logged;
}

TEST(DetectUiLanguage, TheSystemSourcesMatchTheSystemCalls) {
    // The real sources must ask the real calls; this machine's answer decides.
    EXPECT_EQ(systemLanguageSources().formatLocale(), static_cast<LANGID>(GetUserDefaultLCID() & 0xFFFF));
    LANGID ui = 0;
    ASSERT_TRUE(systemLanguageSources().uiLanguage(&ui));
    EXPECT_EQ(ui, GetUserDefaultUILanguage());
}

}  // namespace
