// Stands in for the java.exe of a Java runtime this machine cannot have (the
// only real runtime here is one 64-bit JDK 11): other versions, a broken
// runtime that exits with an error, one that hangs, one whose first line is
// no banner. Copied into a test's runtime directory as bin\java.exe, it reads
// "standin.cfg" beside itself:
//   stderr <text>   writes the text and a line end to standard error
//   exit <n>        ends with exit code n (default 0)
//   hang            sleeps until it is killed
// Every start appends one line to "runs.log" beside it, so a test can count
// how often the launcher ran it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string besideMe(const char* name) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

}  // namespace

int main() {
    if (FILE* runs = std::fopen(besideMe("runs.log").c_str(), "a")) {
        std::fprintf(runs, "%s\n", GetCommandLineA());
        std::fclose(runs);
    }
    FILE* config = std::fopen(besideMe("standin.cfg").c_str(), "r");
    if (!config) return 2;
    int code = 0;
    char line[1024];
    while (std::fgets(line, sizeof(line), config)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (std::strncmp(line, "stderr ", 7) == 0) {
            std::fprintf(stderr, "%s\n", line + 7);
        } else if (std::strncmp(line, "exit ", 5) == 0) {
            code = std::atoi(line + 5);
        } else if (std::strcmp(line, "hang") == 0) {
            std::fflush(stderr);
            Sleep(INFINITE);
        }
    }
    std::fclose(config);
    return code;
}
