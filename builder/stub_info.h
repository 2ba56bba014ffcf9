// What the launcher stub of a setup file carries besides the payload: its
// bitness, the splash image, the icon and the version resource.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "builder/icon_resource.h"
#include "builder/version_resource.h"

struct StubInfo {
    int bitness = 0;           // 32 or 64; 0 when the stub was not read
    std::string splashFormat;  // empty: no splash image
    size_t splashSize = 0;
    std::vector<IconImage> icons;  // of its first icon group, without their data
    std::optional<VersionInfo> version;
};

// image: the bytes in front of the payload.
StubInfo describeStub(const payload_writer::Bytes& image);
