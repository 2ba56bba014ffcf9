// withenv: a test tool. Starts a program with environment variables set on
// the Windows side. wine64 does not pass some variables from Linux (TEMP,
// TMP, among others, come from the prefix), so a test that needs another
// temp directory or profile for the program under test starts it through here.
//
//   withenv NAME=VALUE... -- PROGRAM [ARGS...]
//
// An empty VALUE removes the variable; a VALUE "@short:PATH" sets the short
// (8.3) form of an existing PATH, as Windows itself often sets TEMP. Texts may
// carry \uXXXX escapes (see tool_args.h). Standard handles are inherited; the exit code is the program's,
// or 120 when it could not be started, 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/tool_args.h"

int main() {
    auto quoted = [](const std::wstring& arg) {
        return !arg.empty() && arg.find_first_of(L" \t") == std::wstring::npos ? arg : L"\"" + arg + L"\"";
    };
    std::vector<std::wstring> args = commandLineArgs();
    size_t i = 1;
    for (; i < args.size() && args[i] != L"--"; ++i) {
        std::wstring assignment = decodeEscapes(args[i]);
        size_t equals = assignment.find(L'=');
        if (equals == std::wstring::npos || equals == 0) {
            std::fprintf(stderr, "withenv: expected NAME=VALUE, got %s\n", toUtf8(assignment).c_str());
            return 2;
        }
        std::wstring name = assignment.substr(0, equals);
        std::wstring value = assignment.substr(equals + 1);
        const std::wstring shortPrefix = L"@short:";
        if (value.compare(0, shortPrefix.size(), shortPrefix) == 0) {
            wchar_t shortPath[MAX_PATH];
            DWORD n = GetShortPathNameW(value.c_str() + shortPrefix.size(), shortPath, MAX_PATH);
            if (n == 0 || n >= MAX_PATH) {
                std::fprintf(stderr, "withenv: no short form of %s\n", toUtf8(value).c_str());
                return 2;
            }
            value = shortPath;
        }
        SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    }
    if (i + 1 >= args.size()) {
        std::fprintf(stderr, "usage: withenv NAME=VALUE... -- PROGRAM [ARGS...]\n");
        return 2;
    }
    std::wstring program = decodeEscapes(args[i + 1]);
    std::wstring commandLine = quoted(program);
    for (size_t k = i + 2; k < args.size(); ++k) commandLine += L" " + quoted(decodeEscapes(args[k]));

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // Under load Wine now and then fails to start a program written a moment
    // before (internal error); the program did not run, so try again.
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt) Sleep(200);
        started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                 &startup, &process) != 0;
    }
    if (!started) {
        std::fprintf(stderr, "withenv: could not start %s (%lu)\n", toUtf8(program).c_str(), GetLastError());
        return 120;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 120;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
