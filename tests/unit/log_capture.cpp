// LogCapture and the removal of the unit-test program's log.
#include "log_capture.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "launcher/base/log.h"

namespace {

const wchar_t* initialisedLogPath() {
    if (!logFilePath()) logMessage(L"unit tests: log capture");
    return logFilePath();
}

std::string readFrom(long long offset) {
    std::string bytes;
    FILE* file = _wfopen(initialisedLogPath(), L"rb");
    if (!file) return bytes;
    _fseeki64(file, offset, SEEK_SET);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

class RemoveLog : public ::testing::Environment {
public:
    void TearDown() override {
        const wchar_t* path = logFilePath();
        if (path) DeleteFileW(path);
    }
};

const bool registered = (::testing::AddGlobalTestEnvironment(new RemoveLog), true);

}  // namespace

LogCapture::LogCapture() : start_(static_cast<long long>(readFrom(0).size())) { (void)registered; }

std::wstring LogCapture::text() const {
    std::string bytes = readFrom(start_);
    int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], units);
    std::wstring text;
    for (wchar_t c : wide)
        if (c != L'\r') text += c;
    return text;
}
