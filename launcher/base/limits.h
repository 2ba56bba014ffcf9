// Buffer capacities shared across the launcher. Values longer than a buffer are
// cut to fit; nothing is ever written past these limits.
#pragma once
#include <cstddef>

constexpr size_t kPathCapacity = 6000;         // paths, settings, messages (characters)
constexpr size_t kVersionCapacity = 2000;      // Java version texts, program arguments
constexpr size_t kOptionLineCapacity = 30000;  // one line of a .vmoptions file
