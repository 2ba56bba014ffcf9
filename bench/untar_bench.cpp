// The launcher's own untar, alone in a process, for bench/untar_bench.py:
// untar_bench.exe ARCHIVE TARGET_DIR. Exit code 0 when the untar succeeded.
#include <windows.h>

#include "jre/included_jre.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    if (!CreateDirectoryA(argv[2], nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return 3;
    return untarJre(argv[1], argv[2], nullptr, 0) ? 0 : 1;
}
