// Java version texts: parsing into comparable numbers, range tests against the
// configured minimum and maximum, the pre-release rule and the newer-than order.
#pragma once
#include <cstdint>
#include <vector>

using VersionNumber = std::vector<int32_t>;

VersionNumber parseVersion(const char* text);
// Whether the candidate is at least a lower bound or at most an upper one,
// compared number by number; a candidate with fewer numbers than the bound
// passes or fails as `shorter` says.
enum BoundSide { kLowerBound, kUpperBound };
enum ShorterCandidate { kShorterFails, kShorterPasses };
bool meetsBound(const VersionNumber& bound, const VersionNumber& candidate, BoundSide side, ShorterCandidate shorter);
bool checkVersionRange(const char* version, const VersionNumber& min, const VersionNumber& max, bool allowBeta);
bool checkRegistryVersionRange(const char* version, const VersionNumber& min, const VersionNumber& max);
bool isNewerVersion(const char* a, const char* b);
