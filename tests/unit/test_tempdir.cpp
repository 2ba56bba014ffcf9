// Directory test, temp file names and the extraction directory, against the
// real file system under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "launcher/base/temp_dir.h"
#include "launcher/state.h"
#include "launcher/temp_files.h"

namespace {

std::string systemTemp() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

bool isDirectory(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(TempDir, UsableDirectoriesAreReallyWritable) {
    std::string base = systemTemp() + "tempdir_unit_" + std::to_string(GetCurrentProcessId());
    RemoveDirectoryA(base.c_str());
    EXPECT_FALSE(isUsableDir8("", kDirCreateFirst));
    EXPECT_FALSE(isUsableDir8(base.c_str(), kDirAsIs)) << "missing and not created";
    EXPECT_TRUE(isUsableDir8(base.c_str(), kDirCreateFirst | kDirLongNameShows)) << "created on request";
    EXPECT_TRUE(isDirectory(base));

    // The probe leaves nothing behind.
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((base + "\\kvotw*").c_str(), &entry);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);

    std::string file = base + "\\plain.txt";
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_FALSE(isUsableDir8(file.c_str(), kDirCreateFirst)) << "a file is no directory";
    std::wstring wideFile(file.begin(), file.end());
    EXPECT_FALSE(isUsableDirWide(wideFile.c_str(), kDirCreateFirst));
    std::wstring wideBase(base.begin(), base.end());
    EXPECT_TRUE(isUsableDirWide(wideBase.c_str(), kDirLongNameShows));
    DeleteFileA(file.c_str());
    RemoveDirectoryA(base.c_str());
}

TEST(TempDir, ExtractionDirectoryIsNamedAfterAFreshTempFile) {
    char chosen[6000];
    chooseTempDir8(chosen, sizeof(chosen));
    ASSERT_TRUE(isDirectory(chosen));

    char name[6000];
    makeTempFileName(name, sizeof(name));
    std::string tempFile = name;
    EXPECT_EQ(tempFile.compare(0, std::strlen(chosen), chosen), 0) << tempFile;
    EXPECT_NE(tempFile.find("kvo", std::strlen(chosen)), std::string::npos) << tempFile;
    EXPECT_NE(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES) << "the system creates the empty file";
    DeleteFileA(name);

    g_launcher.extractionDir[0] = '\0';
    createExtractionDir();
    std::string dir = g_launcher.extractionDir;
    ASSERT_TRUE(isDirectory(dir)) << dir;
    size_t mark = dir.rfind("_dir");
    ASSERT_NE(mark, std::string::npos) << dir;
    std::string file = dir.substr(0, mark);
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << "the temp file stays beside it";
    EXPECT_GT(std::stol(dir.substr(mark + 4)), 1600000000L) << "seconds since 1970";
    RemoveDirectoryA(dir.c_str());
    DeleteFileA(file.c_str());
    g_launcher.extractionDir[0] = '\0';
}

}  // namespace
