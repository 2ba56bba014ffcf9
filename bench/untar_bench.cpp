// The launcher's own untar, alone in a process, for bench/untar_bench.py:
// untar_bench.exe ARCHIVE TARGET_DIR. Prints the seconds the untar took,
// timed inside the process ("untar SECONDS"); exit code 0 when it succeeded.
#include <windows.h>

#include <cstdio>

#include "jre/included_jre.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    if (!CreateDirectoryA(argv[2], nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return 3;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    bool untarred = untarJre(argv[1], argv[2], nullptr, 0);
    QueryPerformanceCounter(&end);
    std::printf("untar %.6f\n", static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    return untarred ? 0 : 1;
}
