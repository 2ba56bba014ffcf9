// Adding a resource to the launcher stub on a machine without Windows tools:
// the stub's resource section is parsed, the new entry put into its tree,
// and the section written anew in place. Sections behind it (the base
// relocations, whose bytes do not depend on where they lie) move up.
#pragma once
#include <cstdint>
#include <string>

#include "builder/payload_writer.h"

struct ResourceId {
    uint16_t type;
    uint16_t id;
    uint16_t language;
};

// Puts data under the resource id into the PE image, replacing every
// language of an entry with the same type and id. False with the reason
// when the image's layout does not allow it; the image is then unchanged.
bool putResource(payload_writer::Bytes* image, ResourceId where, const payload_writer::Bytes& data,
                 std::string* error);
