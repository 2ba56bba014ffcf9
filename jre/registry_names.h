// A java.exe path as one registry key name: backslashes become forward
// slashes, so that the whole path is a single subkey of a list key.
#pragma once
#include <cstddef>

#include "launcher/base/limits.h"

constexpr size_t kRegistryNameCapacity = kPathCapacity + 64;

// The located JVM list, shared by the probe, the search and the manual choice.
extern const char kLocatedJvmsKey[];

// listKey + "\" + path with "/" for "\". False when it does not fit.
bool registryNameForPath(const char* listKey, const char* path, char* out, size_t capacity);
// The reverse for one subkey name: "/" back to "\". Bounded by capacity.
void pathFromRegistryName(const char* name, char* out, size_t capacity);
