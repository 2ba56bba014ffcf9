// A .ico file and an icon group share their layout but for the last field of
// each entry: the file gives the image's offset (32 bits), the group the
// RT_ICON id that holds it (16 bits, so group entries are 14 bytes long).
#include "builder/icon_resource.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "builder/file_io.h"

namespace {

using payload_writer::Bytes;
using payload_writer::readLe16;
using payload_writer::readLe32;

constexpr size_t kDirectorySize = 6;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr size_t kMaxIconBytes = 4u << 20;
constexpr uint16_t kIconType = 1;

void put16(Bytes* out, uint32_t value) {
    out->push_back(uint8_t(value));
    out->push_back(uint8_t(value >> 8));
}

bool isImage(const Bytes& data) {
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (data.size() >= 8 && std::memcmp(data.data(), png, 8) == 0) return true;
    return data.size() >= 40 && readLe32(data.data()) >= 40 && readLe32(data.data()) <= data.size();
}

// Windows picks the image to show by the group's colour depth; some icon
// editors leave it 0 in the file and only the image itself says.
void fillDepth(IconImage* image) {
    if (image->bitCount) return;
    bool png = image->data[0] == 0x89;
    image->planes = png ? 1 : uint16_t(readLe16(&image->data[12]));
    image->bitCount = png ? 32 : uint16_t(readLe16(&image->data[14]));
}

// The entry fields shared by both layouts, at p.
IconImage entryFields(const uint8_t* p) {
    IconImage image;
    image.width = p[0], image.height = p[1], image.colours = p[2];
    image.planes = uint16_t(readLe16(p + 4));
    image.bitCount = uint16_t(readLe16(p + 6));
    image.size = readLe32(p + 8);
    return image;
}

bool iconDirectory(const Bytes& data, size_t entrySize, size_t* count) {
    if (data.size() < kDirectorySize || readLe16(&data[0]) != 0 || readLe16(&data[2]) != kIconType) return false;
    *count = readLe16(&data[4]);
    return *count > 0 && data.size() >= kDirectorySize + *count * entrySize;
}

Bytes groupResource(const std::vector<IconImage>& images) {
    Bytes out;
    put16(&out, 0);
    put16(&out, kIconType);
    put16(&out, uint32_t(images.size()));
    for (const IconImage& image : images) {
        out.insert(out.end(), {image.width, image.height, image.colours, 0});
        put16(&out, image.planes);
        put16(&out, image.bitCount);
        put16(&out, image.size & 0xFFFF);
        put16(&out, image.size >> 16);
        put16(&out, image.id);
    }
    return out;
}

}  // namespace

bool readIconFile(const std::string& path, std::vector<IconImage>* images, std::string* error) {
    Bytes data;
    if (!readWholeFile(path, &data, error)) {
        *error = "icon " + *error;
        return false;
    }
    auto fail = [&](const std::string& why) {
        *error = "icon " + path + " " + why;
        return false;
    };
    if (data.size() > kMaxIconBytes) return fail("has more than " + std::to_string(kMaxIconBytes) + " bytes");
    size_t count = 0;
    if (!iconDirectory(data, kFileEntrySize, &count)) return fail("is not an icon (.ico) file");
    images->clear();
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = &data[kDirectorySize + i * kFileEntrySize];
        IconImage image = entryFields(entry);
        uint32_t offset = readLe32(entry + 12);
        if (image.size == 0 || offset > data.size() || image.size > data.size() - offset)
            return fail("has an image " + std::to_string(i + 1) + " that lies outside the file");
        image.data.assign(data.begin() + offset, data.begin() + offset + image.size);
        if (!isImage(image.data))
            return fail("has an image " + std::to_string(i + 1) + " that is neither a bitmap nor a PNG");
        fillDepth(&image);
        images->push_back(std::move(image));
    }
    return true;
}

bool iconChanges(const std::vector<Resource>& stub, std::vector<IconImage> images, ResourceChanges* changes,
                 std::string* error) {
    auto group =
        std::find_if(stub.begin(), stub.end(), [](const Resource& r) { return r.id.type == kResourceGroupIcon; });
    std::vector<IconImage> old;
    if (group == stub.end() || !readIconGroup(group->data, &old)) {
        *error = "it has no icon group to replace";
        return false;
    }
    std::set<uint16_t> taken;
    for (const Resource& r : stub)
        if (r.id.type == kResourceIcon) taken.insert(r.id.id);
    for (const IconImage& image : old) {
        taken.erase(image.id);
        changes->remove.emplace_back(kResourceIcon, image.id);
    }
    uint16_t next = 1;
    for (IconImage& image : images) {
        while (taken.count(next)) ++next;
        image.id = next++;
        changes->put.push_back({{kResourceIcon, image.id, group->id.language}, image.data});
    }
    changes->put.push_back({group->id, groupResource(images)});
    return true;
}

bool readIconGroup(const Bytes& group, std::vector<IconImage>* entries) {
    size_t count = 0;
    if (!iconDirectory(group, kGroupEntrySize, &count)) return false;
    entries->clear();
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = &group[kDirectorySize + i * kGroupEntrySize];
        entries->push_back(entryFields(entry));
        entries->back().id = uint16_t(readLe16(entry + 12));
    }
    return true;
}
