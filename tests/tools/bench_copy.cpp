// bench_copy: the baseline of bench/extract_bench.py. Does the file work of
// the launcher's check and extraction with large buffers and nothing else:
// reads a range of a file once, then reads it again and writes it out.
//
//   bench_copy FILE OFFSET LENGTH OUTPUT
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr DWORD kBuffer = 1 << 20;

bool pass(HANDLE in, long long offset, long long length, HANDLE out, std::vector<char>& buffer) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    if (!SetFilePointerEx(in, at, nullptr, FILE_BEGIN)) return false;
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_copy FILE OFFSET LENGTH OUTPUT\n");
        return 2;
    }
    long long offset = std::atoll(argv[2]);
    long long length = std::atoll(argv[3]);
    HANDLE in = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE out = CreateFileA(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return 1;
    std::vector<char> buffer(kBuffer);
    bool ok = pass(in, offset, length, INVALID_HANDLE_VALUE, buffer) && pass(in, offset, length, out, buffer);
    CloseHandle(out);
    CloseHandle(in);
    return ok ? 0 : 1;
}
