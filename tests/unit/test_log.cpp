// The launcher log file: UTF-8 with the Windows meaning of %s and %S, error
// prefix, line ends, and moving the log into another directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "launcher/base/log.h"
#include "log_capture.h"

namespace {

std::string fileBytes(const wchar_t* path) {
    std::string bytes;
    FILE* f = _wfopen(path, L"rb");
    if (!f) return bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

TEST(LauncherLog, WideAndNarrowStringsRenderAsUtf8) {
    // The 8-bit text in the system code page, made from the same characters.
    const wchar_t* wide = L"Z\u00fcrich \u65e5\u672c \u0416";
    char narrow[64];
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, 0, L"Gr\u00fc\u00dfe", -1, narrow, sizeof(narrow), "?", &lossy);
    ASSERT_FALSE(lossy) << "the system code page lacks u-umlaut and sharp s";
    LogCapture log;
    logMessage(L"wide %s narrow %S number %d %I64d", wide, narrow, -5, static_cast<long long>(1) << 40);
    logError(L"failed with %s", L"\u00e9");
    EXPECT_EQ(log.text(), L"wide Z\u00fcrich \u65e5\u672c \u0416 narrow Gr\u00fc\u00dfe number -5 1099511627776\n"
                          L"ERROR: failed with \u00e9\n");
}

TEST(LauncherLog, TheFileStartsWithAByteOrderMarkAndTheHeader) {
    logMessage(L"line ends");
    std::string bytes = fileBytes(logFilePath());
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(bytes.compare(3, 19, "Started executable "), 0) << bytes.substr(0, 80);
    EXPECT_NE(bytes.find("line ends\r\n"), std::string::npos);
}

TEST(LauncherLog, MovesIntoAnotherDirectoryAndGoesOnThere) {
    logMessage(L"before the move");
    std::wstring before = logFilePath();
    wchar_t temp[MAX_PATH], target[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    GetTempFileNameW(temp, L"tlm", 0, target);
    DeleteFileW(target);
    ASSERT_TRUE(CreateDirectoryW(target, nullptr));

    EXPECT_FALSE(moveLogTo(temp)) << "the log is already in that directory";
    EXPECT_EQ(before, logFilePath());
    ASSERT_TRUE(moveLogTo(target));
    std::wstring after = logFilePath();
    EXPECT_EQ(after.compare(0, wcslen(target), target), 0);
    EXPECT_EQ(GetFileAttributesW(before.c_str()), INVALID_FILE_ATTRIBUTES);
    logMessage(L"after the move");
    std::string bytes = fileBytes(after.c_str());
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(bytes.find("before the move\r\nafter the move\r\n"), std::string::npos);

    // Back again, so that the end of the test run removes it from there.
    ASSERT_TRUE(moveLogTo(temp));
    EXPECT_TRUE(RemoveDirectoryW(target));
}

}  // namespace
