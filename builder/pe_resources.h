// Reading and changing the resources of the launcher stub on a machine
// without Windows tools: the stub's resource section is parsed, changed as a
// tree, and written anew in place. Sections behind it (the base relocations,
// whose bytes do not depend on where they lie) move up.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "builder/payload_writer.h"

struct ResourceId {
    uint16_t type;
    uint16_t id;
    uint16_t language;
};

struct Resource {
    ResourceId id;
    payload_writer::Bytes data;
};

// Standard resource types the builder writes.
constexpr uint16_t kResourceIcon = 3;
constexpr uint16_t kResourceRcData = 10;
constexpr uint16_t kResourceGroupIcon = 14;
constexpr uint16_t kResourceVersion = 16;

// 32 or 64 for a PE image, 0 for anything else.
int imageBitness(const payload_writer::Bytes& image);

// Every resource whose type, name and language are numbers, in tree order.
bool listResources(const payload_writer::Bytes& image, std::vector<Resource>* out, std::string* error);

struct ResourceChanges {
    std::vector<std::pair<uint16_t, uint16_t>> remove;  // type and id: every language goes
    std::vector<Resource> put;                          // replaces every language of its type and id
};

// Applies the changes in one rewrite of the resource section. False with the
// reason when the image's layout does not allow it; the image is then unchanged.
bool changeResources(payload_writer::Bytes* image, const ResourceChanges& changes, std::string* error);
