// emptyDirectory on the real file system; the text fatal errors write to a console.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstdio>
#include <string>

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
