// bench_copy: the baseline of bench/extract_bench.py. Does the file work of
// the launcher's check and extraction with large buffers and nothing else:
// reads a range of a file once, then reads it again and writes it out into
// PARTS files of equal size (as many as the payload has records), created
// in a new directory.
//
//   bench_copy FILE OFFSET LENGTH DIRECTORY PARTS
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr DWORD kBuffer = 1 << 20;

bool copyRange(HANDLE in, long long length, HANDLE out, std::vector<char>& buffer) {
    while (length > 0) {
        DWORD want = length < kBuffer ? static_cast<DWORD>(length) : kBuffer;
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), want, &got, nullptr) || got == 0) return false;
        if (out != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (!WriteFile(out, buffer.data(), got, &written, nullptr) || written != got) return false;
        }
        length -= got;
    }
    return true;
}

bool seek(HANDLE in, long long offset) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    return SetFilePointerEx(in, at, nullptr, FILE_BEGIN) != 0;
}

bool writeParts(HANDLE in, long long length, const char* directory, int parts, std::vector<char>& buffer) {
    if (!CreateDirectoryA(directory, nullptr)) return false;
    long long each = length / parts;
    for (int i = 0; i < parts; ++i) {
        char name[MAX_PATH];
        std::snprintf(name, sizeof(name), "%s\\part%d.bin", directory, i);
        HANDLE out = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE) return false;
        bool ok = copyRange(in, i + 1 < parts ? each : length - each * (parts - 1), out, buffer);
        CloseHandle(out);
        if (!ok) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: bench_copy FILE OFFSET LENGTH DIRECTORY PARTS\n");
        return 2;
    }
    long long offset = std::atoll(argv[2]);
    long long length = std::atoll(argv[3]);
    int parts = std::atoi(argv[5]);
    HANDLE in = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE || parts < 1) return 1;
    std::vector<char> buffer(kBuffer);
    bool ok = seek(in, offset) && copyRange(in, length, INVALID_HANDLE_VALUE, buffer) && seek(in, offset) &&
              writeParts(in, length, argv[4], parts, buffer);
    CloseHandle(in);
    return ok ? 0 : 1;
}
