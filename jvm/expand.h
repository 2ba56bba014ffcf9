// Launcher variables: "%KAVRO_EXEDIR%", "${launcher:sys.jvmHome}", "${NAME}"
// for environment variables and the rest, replaced in place. The result never
// exceeds the caller's capacity (a long expansion is cut).
#pragma once
#include <cstddef>

// eightBitSafe: the executable directory comes from its 8-bit path (true) or
// from the long UTF-16 path (false).
void expandVariables(wchar_t* text, size_t capacity, bool eightBitSafe);
void expandVariablesAnsi(char* text, size_t capacity);
