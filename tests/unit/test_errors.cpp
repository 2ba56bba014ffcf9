// Fatal-error helpers where a launch cannot show the fault: the clean-up that
// must never empty the current directory, and the text a console set to
// UTF-8 receives.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "launcher/errors.h"

namespace {

TEST(EmptyDirectory, APathBeginningWithADotOrEmptyIsLeftAlone) {
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
    emptyDirectory(".", kEmptySubdirectories);
    emptyDirectory(".\\", kEmptySubdirectories);
    emptyDirectory("", kEmptySubdirectories);
    SetCurrentDirectoryA(previous);
    EXPECT_NE(GetFileAttributesA(keep.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(keep.c_str());
    RemoveDirectoryA(root);
}

// A console set to UTF-8 must still get the message, in UTF-8; a legacy code
// page shows "?" for what it lacks.
TEST(ConsoleText, EveryCodePageGetsTheMessage) {
    const wchar_t text[] = L"Fehler \u00e4 \u4e2d";
    char* utf8 = narrowForConsole(text, CP_UTF8);
    ASSERT_NE(utf8, nullptr);
    EXPECT_STREQ(utf8, "Fehler \xc3\xa4 \xe4\xb8\xad");
    std::free(utf8);
    char* western = narrowForConsole(text, 1252);
    ASSERT_NE(western, nullptr);
    EXPECT_STREQ(western, "Fehler \xe4 ?");
    std::free(western);
}

}  // namespace
