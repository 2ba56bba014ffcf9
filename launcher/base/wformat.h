// printf-style formatting of UTF-16 text with the Windows meaning of the
// directives: in a wide format "%s" takes a UTF-16 string and "%S" an 8-bit
// string (system code page). The mingw-w64 C++ headers force the C99 meaning
// on the C runtime's wide printf family, so every wide format of the launcher
// goes through this formatter instead.
//
// Supported: flags "-0+ #", width and precision (digits or "*"), the length
// prefixes h, l, ll, I, I32, I64, z, and the conversions
// s S c C d i u o x X p f F e E g G %. Unknown directives are copied verbatim.
// Floating-point numbers are formatted by the C runtime's own _snprintf.
#pragma once
#include <cstdarg>
#include <cstddef>

// Writes at most cap - 1 units and a terminating NUL (nothing when cap is 0).
// Returns the number of units written, without the NUL.
size_t formatWideV(wchar_t* out, size_t cap, const wchar_t* format, va_list args);
size_t formatWide(wchar_t* out, size_t cap, const wchar_t* format, ...);

// The same engine for 8-bit text with the contract of C99 vsnprintf, which it
// implements in the launcher executable (launcher/cxx_runtime.cpp): "%s" takes
// an 8-bit string, "%S" and "%ls" a UTF-16 one (converted to the ANSI code
// page). Writes at most cap - 1 bytes and a NUL; returns the length the whole
// text needs, so that a result of cap or more tells that it was cut.
int formatNarrowV(char* out, size_t cap, const char* format, va_list args);
