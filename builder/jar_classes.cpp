// Only the central directory is read: it lists every entry by name, which is
// all the main-class check needs, and it sits at the end of the archive,
// found through the end record (with its zip64 form for large archives).
#include "builder/jar_classes.h"

#include <cstdint>

namespace {

using payload_writer::Bytes;
using payload_writer::readLe16;
using payload_writer::readLe32;
using payload_writer::readLe64;

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kEntrySignature = 0x02014b50;
constexpr size_t kEndSize = 22;
constexpr size_t kEntrySize = 46;
constexpr size_t kMaxComment = 0xFFFF;

struct Directory {
    uint64_t entries = 0, offset = 0;
};

// The end record: the last place with its signature whose comment reaches
// exactly to the end of the archive.
bool findDirectory(const Bytes& zip, Directory* out) {
    if (zip.size() < kEndSize) return false;
    size_t lowest = zip.size() - kEndSize > kMaxComment ? zip.size() - kEndSize - kMaxComment : 0;
    for (size_t at = zip.size() - kEndSize + 1; at-- > lowest;) {
        if (readLe32(&zip[at]) != kEndSignature || at + kEndSize + readLe16(&zip[at + 20]) != zip.size()) continue;
        out->entries = readLe16(&zip[at + 10]);
        out->offset = readLe32(&zip[at + 16]);
        if (at >= 20 && readLe32(&zip[at - 20]) == kZip64LocatorSignature) {
            uint64_t end64 = readLe64(&zip[at - 12]);
            if (zip.size() < 56 || end64 > zip.size() - 56 || readLe32(&zip[end64]) != kZip64EndSignature) return false;
            out->entries = readLe64(&zip[end64 + 32]);
            out->offset = readLe64(&zip[end64 + 48]);
        }
        return true;
    }
    return false;
}

}  // namespace

bool jarClassNames(const Bytes& archive, std::vector<std::string>* classes) {
    Directory directory;
    if (!findDirectory(archive, &directory)) return false;
    uint64_t at = directory.offset;
    for (uint64_t i = 0; i < directory.entries; ++i) {
        if (at > archive.size() || archive.size() - at < kEntrySize || readLe32(&archive[at]) != kEntrySignature)
            return false;
        uint64_t nameLength = readLe16(&archive[at + 28]);
        uint64_t next = at + kEntrySize + nameLength + readLe16(&archive[at + 30]) + readLe16(&archive[at + 32]);
        if (next > archive.size()) return false;
        std::string name(archive.begin() + at + kEntrySize, archive.begin() + at + kEntrySize + nameLength);
        const std::string suffix = ".class";
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
            name.compare(0, 9, "META-INF/") != 0) {
            name.resize(name.size() - suffix.size());
            for (char& c : name) c = c == '/' ? '.' : c;
            classes->push_back(name);
        }
        at = next;
    }
    return true;
}
