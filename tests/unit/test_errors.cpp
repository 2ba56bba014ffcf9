// emptyDirectory on the real file system; the text fatal errors write to a console.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstdio>
#include <string>

#include "launcher/base/code_page.h"
#include "launcher/errors.h"
#include "log_capture.h"

namespace {

std::string freshDirectory() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH];
    GetTempFileNameA(temp, "ted", 0, name);
    DeleteFileA(name);
    CreateDirectoryA(name, nullptr);
    return name;
}

void writeFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("x", f);
    std::fclose(f);
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(EmptyDirectory, RemovesFilesAndOneLevelOfSubdirectories) {
    std::string root = freshDirectory();
    writeFile(root + "\\a.txt");
    CreateDirectoryA((root + "\\sub").c_str(), nullptr);
    writeFile(root + "\\sub\\b.txt");
    emptyDirectory(root.c_str(), kEmptySubdirectories);
    EXPECT_FALSE(exists(root + "\\a.txt"));
    EXPECT_FALSE(exists(root + "\\sub"));
    EXPECT_TRUE(RemoveDirectoryA(root.c_str()));
}

TEST(EmptyDirectory, AThirdLevelKeepsItsChain) {
    std::string root = freshDirectory();
    CreateDirectoryA((root + "\\one").c_str(), nullptr);
    CreateDirectoryA((root + "\\one\\two").c_str(), nullptr);
    writeFile(root + "\\one\\two\\deep.txt");
    writeFile(root + "\\one\\near.txt");
    LogCapture log;
    emptyDirectory((root + "\\").c_str(), kEmptySubdirectories);
    EXPECT_TRUE(exists(root + "\\one\\two\\deep.txt"));
    EXPECT_FALSE(exists(root + "\\one\\near.txt"));
    std::wstring logged = log.text();
    EXPECT_NE(logged.find(L"attempting to remove "), std::wstring::npos) << logged;
    EXPECT_NE(logged.find(L"\\one (1)\n"), std::wstring::npos) << logged;
    EXPECT_NE(logged.find(L"\\two (0)\n"), std::wstring::npos) << logged;
    emptyDirectory((root + "\\one\\two").c_str(), kRemoveEmptySubdirectories);
    RemoveDirectoryA((root + "\\one\\two").c_str());
    RemoveDirectoryA((root + "\\one").c_str());
    EXPECT_TRUE(RemoveDirectoryA(root.c_str()));
}

TEST(EmptyDirectory, APathBeginningWithADotOrEmptyIsLeftAlone) {
    std::string root = freshDirectory();
    writeFile(root + "\\keep.txt");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(root.c_str());
    emptyDirectory(".", kEmptySubdirectories);
    emptyDirectory(".\\", kEmptySubdirectories);
    emptyDirectory("", kEmptySubdirectories);
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(exists(root + "\\keep.txt"));
    DeleteFileA((root + "\\keep.txt").c_str());
    RemoveDirectoryA(root.c_str());
}

}  // namespace

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
