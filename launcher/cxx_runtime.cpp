// The parts of the C++ runtime that the launcher provides itself, linked into
// the executable only (the unit tests keep the library's own).
//
// The library's versions are built with exceptions: linking any of them
// pulls in the whole exception, unwinding and name-demangling machinery
// (well over 100 KiB of the stub), although the launcher, built without
// exceptions, could never catch what they throw. So:
// - allocation, length and index failures end the process at once, as an
//   exception that nothing catches would;
// - the guards of function-local statics are a small spin lock of our own
//   (the library's reports recursive initialisation by throwing);
// - the standard strings are instantiated here, under the launcher's own
//   flags, instead of being taken with their unwind tables from the library.
// The C99 printf family that the mingw-w64 headers route snprintf and
// fprintf to brings a complete floating-point formatter (some 28 KiB); the
// launcher's own engine (launcher/base/wformat.h) serves those calls instead.
#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "launcher/base/wformat.h"

template class std::basic_string<char>;
template class std::basic_string<wchar_t>;

namespace {

[[noreturn]] void failInLibrary() { std::abort(); }

void* allocate(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) failInLibrary();
    return block;
}

// A guard is 64 bits: the compiler's inline check reads the first byte
// (non-zero: initialised); the second word is our lock.
struct Guard {
    volatile char done;
    char unused[3];
    volatile LONG busy;
};
static_assert(sizeof(Guard) == sizeof(int64_t), "guard layout");

}  // namespace

namespace std {
void __throw_bad_alloc() { failInLibrary(); }
void __throw_bad_array_new_length() { failInLibrary(); }
void __throw_length_error(const char*) { failInLibrary(); }
void __throw_logic_error(const char*) { failInLibrary(); }
void __throw_out_of_range(const char*) { failInLibrary(); }
void __throw_out_of_range_fmt(const char*, ...) { failInLibrary(); }
void __throw_invalid_argument(const char*) { failInLibrary(); }
}  // namespace std

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

extern "C" {

int __mingw_vsnprintf(char* out, size_t cap, const char* format, va_list args) {
    return formatNarrowV(out, cap, format, args);
}

int __mingw_vfprintf(FILE* stream, const char* format, va_list args) {
    char small[1024];
    int length = formatNarrowV(small, sizeof(small), format, args);
    if (length < 0) return -1;
    if (length < static_cast<int>(sizeof(small)))
        return std::fwrite(small, 1, length, stream) == static_cast<size_t>(length) ? length : -1;
    char* large = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    if (!large) return -1;
    formatNarrowV(large, static_cast<size_t>(length) + 1, format, args);
    int result = std::fwrite(large, 1, length, stream) == static_cast<size_t>(length) ? length : -1;
    std::free(large);
    return result;
}

// 1: the caller initialises the static and then releases the guard; 0: it is
// initialised already. Another thread in the middle of it is waited for.
int __cxa_guard_acquire(int64_t* raw) {
    Guard* guard = reinterpret_cast<Guard*>(raw);
    for (;;) {
        if (guard->done) {
            MemoryBarrier();
            return 0;
        }
        if (InterlockedCompareExchange(&guard->busy, 1, 0) == 0) {
            if (!guard->done) return 1;
            InterlockedExchange(&guard->busy, 0);
            return 0;
        }
        Sleep(0);
    }
}

void __cxa_guard_release(int64_t* raw) {
    Guard* guard = reinterpret_cast<Guard*>(raw);
    MemoryBarrier();
    guard->done = 1;
    InterlockedExchange(&guard->busy, 0);
}

void __cxa_guard_abort(int64_t* raw) { InterlockedExchange(&reinterpret_cast<Guard*>(raw)->busy, 0); }

}  // extern "C"
