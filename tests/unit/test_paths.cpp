// Path helpers: relative-path test, backslash collapsing, resolution and
// existence, against the real file system under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "launcher/base/file_system.h"
#include "launcher/base/paths.h"

namespace {

TEST(Paths, RelativeAndAbsolute) {
    EXPECT_FALSE(isRelativePath("C:\\Program Files"));
    EXPECT_FALSE(isRelativePath("\\\\server\\share"));
    EXPECT_FALSE(isRelativePath("\"C:\\quoted"));
    EXPECT_TRUE(isRelativePath("jre"));
    EXPECT_TRUE(isRelativePath("C:relative"));
    EXPECT_TRUE(isRelativePath("\\rooted"));
    EXPECT_TRUE(isRelativePath("C:"));
    EXPECT_TRUE(isRelativePath("\"C:"));  // quote plus fewer than three characters
    EXPECT_FALSE(isRelativePath("\"C:\\"));
    EXPECT_FALSE(isRelativePath(L"D:\\x"));
    EXPECT_TRUE(isRelativePath(L"x\\y"));
}

TEST(Paths, CollapseBackslashesKeepsTheUncPrefix) {
    char drive[] = "C:\\\\a\\\\\\b\\c";
    collapseBackslashes(drive);
    EXPECT_STREQ(drive, "C:\\a\\b\\c");
    char unc[] = "\\\\server\\\\share";
    collapseBackslashes(unc);
    EXPECT_STREQ(unc, "\\\\server\\share");
    wchar_t triple[] = L"\\\\\\x";
    collapseBackslashes(triple);
    EXPECT_STREQ(triple, L"\\\\x");
}

TEST(Paths, ExecutablePathsAgree) {
    std::string path = exePath();
    ASSERT_GE(path.size(), 4u);
    EXPECT_EQ(_stricmp(path.c_str() + path.size() - 4, ".exe"), 0);
    std::string dir = exeDir8();
    EXPECT_EQ(dir.back(), '\\');
    EXPECT_EQ(path.compare(0, dir.size(), dir), 0);
    std::wstring wideDir = exeDirWide();
    EXPECT_EQ(wideDir.back(), L'\\');
    EXPECT_TRUE(fileExists(exePath()));
    EXPECT_TRUE(fileExists(exePathWide()));
}

TEST(Paths, ResolveAgainstTheExecutableOrABaseFile) {
    char out[6000];
    ASSERT_TRUE(resolvePath("lib\\\\x.jar", nullptr, out, sizeof(out)));
    EXPECT_EQ(std::string(out), std::string(exeDir8()) + "lib\\x.jar");
    ASSERT_TRUE(resolvePath("other.vmoptions", "C:\\cfg\\main.vmoptions", out, sizeof(out)));
    EXPECT_STREQ(out, "C:\\cfg\\other.vmoptions");
    ASSERT_TRUE(resolvePath("D:\\abs", nullptr, out, sizeof(out)));
    EXPECT_STREQ(out, "D:\\abs");
    char tiny[8];
    EXPECT_FALSE(resolvePath("a-long-name", "C:\\x\\y", tiny, sizeof(tiny)));
    EXPECT_LT(std::strlen(tiny), sizeof(tiny));
}

TEST(Paths, FullPathNormalisesAndLowersUnlessAsked) {
    char out[6000];
    ASSERT_TRUE(fullPath("C:\\Dir\\.\\Sub\\..\\File.TXT", kLowerCase, out, sizeof(out)));
    EXPECT_STREQ(out, "c:\\dir\\file.txt");
    ASSERT_TRUE(fullPath("C:\\Dir\\.\\Sub\\..\\File.TXT", kKeepCase, out, sizeof(out)));
    EXPECT_STREQ(out, "C:\\Dir\\File.TXT");
}

TEST(Paths, DriveRootsAlwaysExist) {
    EXPECT_TRUE(fileExists("Q:\\"));
    EXPECT_TRUE(fileExists("Q:\\."));
    EXPECT_TRUE(fileExists(L"Q:\\.\\."));
    EXPECT_FALSE(fileExists("C:\\no\\such\\file.xyz"));
    EXPECT_FALSE(fileExists(""));
    EXPECT_FALSE(fileExists("1:\\")) << "only a letter makes a drive";
    EXPECT_FALSE(fileExists(L"7:\\."));
}

}  // namespace
