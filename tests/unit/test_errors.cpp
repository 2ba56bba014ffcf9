// Fatal-error helpers where a launch cannot show the fault: the clean-up that
// must never empty the current directory, and the text a console set to
// UTF-8 receives.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "launcher/base/code_page.h"
#include "launcher/errors.h"
#include "launcher/state.h"

namespace {

TEST(RemoveExtractionDir, APathBeginningWithADotOrEmptyIsLeftAlone) {
    char temp[MAX_PATH], root[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetTempFileNameA(temp, "ted", 0, root);
    DeleteFileA(root);
    ASSERT_TRUE(CreateDirectoryA(root, nullptr));
    std::string keep = std::string(root) + "\\keep.txt";
    FILE* f = std::fopen(keep.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(root);
    for (const char* relative : {".", ".\\", ""}) {
        std::snprintf(g_launcher.extractionDir, sizeof(g_launcher.extractionDir), "%s", relative);
        removeExtractionDir();
    }
    g_launcher.extractionDir[0] = '\0';
    SetCurrentDirectoryA(previous);
    EXPECT_NE(GetFileAttributesA(keep.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(keep.c_str());
    RemoveDirectoryA(root);
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
