// The icon of a setup file: the images of a .ico file as the stub's icon
// group (RT_GROUP_ICON with its RT_ICON images), which Explorer, the taskbar
// and the launcher's own dialogs show.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "builder/pe_resources.h"

// One image of an icon: the directory entry's fields and, for a .ico file,
// the image data (a DIB or a PNG file).
struct IconImage {
    uint8_t width = 0, height = 0, colours = 0;  // 0 stands for 256 pixels or colours
    uint16_t planes = 0, bitCount = 0;
    uint32_t size = 0;
    uint16_t id = 0;  // of its RT_ICON, in a group
    payload_writer::Bytes data;
};

// Reads a .ico file: every image must lie inside it and be a DIB or a PNG.
bool readIconFile(const std::string& path, std::vector<IconImage>* images, std::string* error);

// The changes that make the images the stub's icon: its first icon group
// keeps its id and language and gets these images; the images of the old
// group go.
bool iconChanges(const std::vector<Resource>& stub, std::vector<IconImage> images, ResourceChanges* changes,
                 std::string* error);

// The entries of an RT_GROUP_ICON resource; false when it is not one.
bool readIconGroup(const payload_writer::Bytes& group, std::vector<IconImage>* entries);
