// Java version texts: parsing into comparable numbers, range tests against the
// configured minimum and maximum, the pre-release rule and the newer-than order.
#pragma once
#include <cstdint>
#include <vector>

using VersionNumber = std::vector<int32_t>;

VersionNumber parseVersion(const char* text);
bool meetsBound(const VersionNumber& bound, const VersionNumber& candidate, bool upper, bool acceptShorter);
bool checkVersionRange(const char* version, const VersionNumber& min, const VersionNumber& max, bool allowBeta);
bool checkRegistryVersionRange(const char* version, const VersionNumber& min, const VersionNumber& max);
bool isNewerVersion(const char* a, const char* b);
