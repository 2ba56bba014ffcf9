// How far apart two names are, for suggesting the name a typo was meant to be.
#pragma once
#include <cstddef>
#include <string>

// The number of single-character insertions, deletions and substitutions
// that turn a into b.
size_t editDistance(const std::string& a, const std::string& b);
