// What the launcher log received while a test ran, read back from the real
// log file. The unit-test program's log is removed when the program ends.
#pragma once
#include <string>

class LogCapture {
public:
    LogCapture();
    // The lines written since construction, decoded from UTF-8, CR LF as "\n".
    std::wstring text() const;

private:
    long long start_;
};
