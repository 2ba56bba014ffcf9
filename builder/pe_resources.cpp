// The resource tree is read whole (type, name, language, any depth the
// stub uses), changed, and laid out again: directories breadth first, then
// the data entries, the name strings and the data, as resource compilers
// lay them out. Everything read from the stub is bounds-checked: a stub is
// an input file like any other.
#include "builder/pe_resources.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "payload/format.h"

namespace {

using payload_writer::Bytes;

constexpr uint32_t kSubdirectoryBit = 0x80000000u;
constexpr int kMaxDepth = 8;           // three levels in practice; more only in a damaged tree
constexpr size_t kMaxEntries = 65536;  // per directory: two 16-bit counts
constexpr int kResourceDirectory = 2;
constexpr int kRelocationDirectory = 5;

using payload_writer::readLe16;
using payload_writer::readLe32;
void put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}
uint32_t alignUp(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

struct Directory;

struct Entry {
    bool named = false;
    uint16_t id = 0;
    std::u16string name;
    std::unique_ptr<Directory> sub;  // null: a leaf
    Bytes data;
    uint32_t codePage = 0;
};

struct Directory {
    uint8_t header[12] = {};  // characteristics, time stamp, version: kept as found
    std::vector<Entry> entries;
};

// ------------------------------------------------------------------ reading

struct Reader {
    const uint8_t* section;
    uint32_t size;
    uint32_t rva;
    std::string* error;

    bool fail(const std::string& why) {
        *error = "resource section: " + why;
        return false;
    }
    bool has(uint32_t offset, uint32_t n) const { return offset <= size && n <= size - offset; }

    bool readName(uint32_t offset, std::u16string* name) {
        if (!has(offset, 2)) return fail("a name lies outside the section");
        uint32_t length = readLe16(section + offset);
        if (!has(offset + 2, length * 2)) return fail("a name lies outside the section");
        for (uint32_t i = 0; i < length; ++i) name->push_back(char16_t(readLe16(section + offset + 2 + 2 * i)));
        return true;
    }

    bool readLeaf(uint32_t offset, Entry* entry) {
        if (!has(offset, 16)) return fail("a data entry lies outside the section");
        uint32_t dataRva = readLe32(section + offset), dataSize = readLe32(section + offset + 4);
        if (dataRva < rva || !has(dataRva - rva, dataSize)) return fail("resource data lies outside the section");
        entry->data.assign(section + (dataRva - rva), section + (dataRva - rva) + dataSize);
        entry->codePage = readLe32(section + offset + 8);
        return true;
    }

    bool readDirectory(uint32_t offset, int depth, Directory* directory) {
        if (depth > kMaxDepth) return fail("the tree is nested too deeply");
        if (!has(offset, 16)) return fail("a directory lies outside the section");
        std::memcpy(directory->header, section + offset, sizeof directory->header);
        uint32_t count = readLe16(section + offset + 12) + readLe16(section + offset + 14);
        if (!has(offset + 16, count * 8)) return fail("a directory's entries lie outside the section");
        directory->entries.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* raw = section + offset + 16 + 8 * i;
            Entry& entry = directory->entries[i];
            uint32_t name = readLe32(raw), target = readLe32(raw + 4);
            entry.named = (name & kSubdirectoryBit) != 0;
            if (entry.named && !readName(name & ~kSubdirectoryBit, &entry.name)) return false;
            entry.id = uint16_t(name);
            if (target & kSubdirectoryBit) {
                entry.sub.reset(new Directory);
                if (!readDirectory(target & ~kSubdirectoryBit, depth + 1, entry.sub.get())) return false;
            } else if (!readLeaf(target, &entry)) {
                return false;
            }
        }
        return true;
    }
};

// ------------------------------------------------------------------ changing

// The id entry of a directory, inserted in ascending order behind the named
// entries when missing.
Entry& idEntry(Directory* directory, uint16_t id) {
    auto& entries = directory->entries;
    auto at = std::find_if(entries.begin(), entries.end(), [id](const Entry& e) { return !e.named && e.id >= id; });
    if (at != entries.end() && at->id == id) return *at;
    Entry entry;
    entry.id = id;
    return *entries.insert(at, std::move(entry));
}

bool insert(Directory* root, const Resource& resource, std::string* error) {
    Entry& type = idEntry(root, resource.id.type);
    if (!type.sub) {
        if (!type.data.empty() || type.codePage) {
            *error = "resource section: type " + std::to_string(resource.id.type) + " is data, not a directory";
            return false;
        }
        type.sub.reset(new Directory);
    }
    Entry& name = idEntry(type.sub.get(), resource.id.id);
    name.sub.reset(new Directory);  // every earlier language goes
    name.data.clear();
    Entry& language = idEntry(name.sub.get(), resource.id.language);
    language.data = resource.data;
    return true;
}

void removeEntry(Directory* root, uint16_t typeId, uint16_t id) {
    auto unnamed = [](uint16_t wanted) { return [wanted](const Entry& e) { return !e.named && e.id == wanted; }; };
    auto type = std::find_if(root->entries.begin(), root->entries.end(), unnamed(typeId));
    if (type == root->entries.end() || !type->sub) return;
    auto& names = type->sub->entries;
    names.erase(std::remove_if(names.begin(), names.end(), unnamed(id)), names.end());
    if (names.empty()) root->entries.erase(type);
}

// Every leaf whose path (type, name, language) is made of ids.
void collect(const Directory& directory, std::vector<uint16_t>* path, std::vector<Resource>* out) {
    for (const Entry& entry : directory.entries) {
        if (entry.named) continue;
        path->push_back(entry.id);
        if (entry.sub) collect(*entry.sub, path, out);
        else if (path->size() == 3) out->push_back({{(*path)[0], (*path)[1], (*path)[2]}, entry.data});
        path->pop_back();
    }
}

// ------------------------------------------------------------------ writing

struct Layout {
    std::vector<const Directory*> directories;  // breadth first
    std::vector<const Entry*> leaves;
    std::vector<const Entry*> names;
    std::map<const void*, uint32_t> offset;  // directory, leaf (its data entry), name -> offset
    std::map<const Entry*, uint32_t> dataOffset;
    uint32_t size = 0;
};

Layout layOut(const Directory& root) {
    Layout layout;
    layout.directories.push_back(&root);
    for (size_t i = 0; i < layout.directories.size(); ++i)
        for (const Entry& entry : layout.directories[i]->entries) {
            if (entry.sub) layout.directories.push_back(entry.sub.get());
            else layout.leaves.push_back(&entry);
            if (entry.named) layout.names.push_back(&entry);
        }
    uint32_t at = 0;
    for (const Directory* directory : layout.directories) {
        layout.offset[directory] = at;
        at += 16 + 8 * uint32_t(directory->entries.size());
    }
    for (const Entry* leaf : layout.leaves) {
        layout.offset[leaf] = at;
        at += 16;
    }
    for (const Entry* named : layout.names) {
        layout.offset[&named->name] = at;
        at += 2 + 2 * uint32_t(named->name.size());
    }
    for (const Entry* leaf : layout.leaves) {
        at = alignUp(at, 8);
        layout.dataOffset[leaf] = at;
        at += uint32_t(leaf->data.size());
    }
    layout.size = alignUp(at, 8);
    return layout;
}

Bytes writeTree(const Directory& root, uint32_t rva) {
    Layout layout = layOut(root);
    Bytes out(layout.size, 0);  // the section's virtual size; the caller pads it
    for (const Directory* directory : layout.directories) {
        uint8_t* p = out.data() + layout.offset[directory];
        std::memcpy(p, directory->header, sizeof directory->header);
        uint32_t named = uint32_t(std::count_if(directory->entries.begin(), directory->entries.end(),
                                                [](const Entry& e) { return e.named; }));
        put16(p + 12, named);
        put16(p + 14, uint32_t(directory->entries.size()) - named);
        p += 16;
        for (const Entry& entry : directory->entries) {
            put32(p, entry.named ? layout.offset[&entry.name] | kSubdirectoryBit : entry.id);
            put32(p + 4, entry.sub ? layout.offset[entry.sub.get()] | kSubdirectoryBit : layout.offset[&entry]);
            p += 8;
        }
    }
    for (const Entry* leaf : layout.leaves) {
        uint8_t* p = out.data() + layout.offset[leaf];
        put32(p, rva + layout.dataOffset[leaf]);
        put32(p + 4, uint32_t(leaf->data.size()));
        put32(p + 8, leaf->codePage);
        std::copy(leaf->data.begin(), leaf->data.end(), out.begin() + layout.dataOffset[leaf]);
    }
    for (const Entry* named : layout.names) {
        uint8_t* p = out.data() + layout.offset[&named->name];
        put16(p, uint32_t(named->name.size()));
        for (size_t i = 0; i < named->name.size(); ++i) put16(p + 2 + 2 * i, named->name[i]);
    }
    return out;
}

// ------------------------------------------------------------------ the image

struct Headers {
    uint32_t pe = 0, optional = 0, optionalSize = 0, table = 0, sections = 0;
    uint32_t directories = 0, directoryCount = 0;
    uint32_t sectionAlignment = 0, fileAlignment = 0;
};

struct Section {
    uint32_t header;  // offset of its header in the image
    uint32_t virtualSize, rva, rawSize, rawPointer;
};

bool readHeaders(const Bytes& image, Headers* h, std::vector<Section>* sections, std::string* error) {
    using namespace payload_format;
    auto fail = [error](const char* why) {
        *error = why;
        return false;
    };
    if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') return fail("no MZ header");
    h->pe = readLe32(image.data() + kPeOffsetPointer);
    if (h->pe > image.size() || image.size() - h->pe < kPeSectionTableStart + 2 ||
        std::memcmp(&image[h->pe], "PE\0\0", 4) != 0)
        return fail("no PE header");
    h->sections = readLe16(&image[h->pe + kPeSectionCount]);
    h->optionalSize = readLe16(&image[h->pe + kPeOptionalHeaderSize]);
    h->optional = h->pe + kPeSectionTableStart;
    h->table = h->optional + h->optionalSize;
    uint32_t magic = readLe16(&image[h->optional]);
    uint32_t countField = magic == 0x20B ? 108 : magic == 0x10B ? 92 : 0;
    if (!countField) return fail("unknown optional header");
    if (h->optionalSize < countField + 4 ||
        uint64_t(h->table) + uint64_t(kSectionHeaderSize) * h->sections > image.size())
        return fail("headers lie outside the file");
    h->directoryCount = readLe32(&image[h->optional + countField]);
    h->directories = h->optional + countField + 4;
    if (h->directoryCount <= kRelocationDirectory || uint64_t(h->directories) + 8ull * h->directoryCount > h->table)
        return fail("too few data directories");
    h->sectionAlignment = readLe32(&image[h->optional + 32]);
    h->fileAlignment = readLe32(&image[h->optional + 36]);
    if (!h->fileAlignment || !h->sectionAlignment) return fail("no section alignment");
    for (uint32_t i = 0; i < h->sections; ++i) {
        uint32_t header = h->table + kSectionHeaderSize * i;
        const uint8_t* s = &image[header];
        sections->push_back({header, readLe32(s + 8), readLe32(s + 12), readLe32(s + kSectionRawSize),
                             readLe32(s + kSectionRawPointer)});
    }
    return true;
}

uint32_t directoryRva(const Bytes& image, const Headers& h, int index) {
    return readLe32(&image[h.directories + 8 * index]);
}

// The section the resource directory starts.
bool findResourceSection(const Bytes& image, const Headers& h, const std::vector<Section>& sections, size_t* rsrc,
                         std::string* error) {
    uint32_t resources = directoryRva(image, h, kResourceDirectory);
    auto found =
        std::find_if(sections.begin(), sections.end(), [resources](const Section& s) { return s.rva == resources; });
    if (!resources || found == sections.end()) {
        *error = "the stub has no resource section of its own";
        return false;
    }
    *rsrc = size_t(found - sections.begin());
    if (uint64_t(found->rawPointer) + found->rawSize > image.size()) {
        *error = "a section lies outside the file";
        return false;
    }
    return true;
}

// The resource section must be followed by nothing but the base
// relocations, which may move as they are.
bool checkMovable(const Bytes& image, const Headers& h, const std::vector<Section>& sections, size_t* rsrc,
                  std::string* error) {
    if (!findResourceSection(image, h, sections, rsrc, error)) return false;
    uint32_t relocations = directoryRva(image, h, kRelocationDirectory);
    for (size_t i = *rsrc + 1; i < sections.size(); ++i) {
        if (sections[i].rva != relocations || i + 1 != sections.size()) {
            *error = "the stub has sections other than the base relocations behind its resources";
            return false;
        }
    }
    for (size_t i = *rsrc; i < sections.size(); ++i) {
        if (uint64_t(sections[i].rawPointer) + sections[i].rawSize > image.size()) {
            *error = "a section lies outside the file";
            return false;
        }
    }
    return true;
}

// The PE checksum: 16-bit one's-complement sum of the file without the
// checksum field, plus the file's length.
void updateChecksum(Bytes* image, const Headers& h) {
    uint32_t field = h.optional + 64;
    put32(&(*image)[field], 0);
    uint64_t sum = 0;
    for (size_t i = 0; i + 1 < image->size(); i += 2) {
        sum += readLe16(&(*image)[i]);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    if (image->size() & 1) sum += image->back();
    sum = (sum & 0xFFFF) + (sum >> 16);
    sum = (sum & 0xFFFF) + (sum >> 16);
    put32(&(*image)[field], uint32_t(sum + image->size()));
}

// The resource tree of the image's resource section (which checkMovable
// has found), as its raw size or its virtual size allows.
bool readTree(const Bytes& image, const Section& rsrc, Directory* root, std::string* error) {
    uint32_t readable = rsrc.virtualSize ? std::min(rsrc.rawSize, rsrc.virtualSize) : rsrc.rawSize;
    Reader reader{image.data() + rsrc.rawPointer, readable, rsrc.rva, error};
    return reader.readDirectory(0, 0, root);
}

}  // namespace

int imageBitness(const Bytes& image) {
    Headers h;
    std::vector<Section> sections;
    std::string ignored;
    if (!readHeaders(image, &h, &sections, &ignored)) return 0;
    return readLe16(&image[h.optional]) == 0x20B ? 64 : 32;
}

bool listResources(const Bytes& image, std::vector<Resource>* out, std::string* error) {
    Headers h;
    std::vector<Section> sections;
    size_t index = 0;
    Directory root;
    if (!readHeaders(image, &h, &sections, error) || !findResourceSection(image, h, sections, &index, error) ||
        !readTree(image, sections[index], &root, error))
        return false;
    std::vector<uint16_t> path;
    collect(root, &path, out);
    return true;
}

bool changeResources(Bytes* image, const ResourceChanges& changes, std::string* error) {
    Headers h;
    std::vector<Section> sections;
    size_t index = 0;
    if (!readHeaders(*image, &h, &sections, error) || !checkMovable(*image, h, sections, &index, error)) {
        *error = "stub: " + *error;
        return false;
    }
    const Section& rsrc = sections[index];
    Directory root;
    if (!readTree(*image, rsrc, &root, error)) {
        *error = "stub: " + *error;
        return false;
    }
    for (const auto& [type, id] : changes.remove) removeEntry(&root, type, id);
    for (const Resource& resource : changes.put) {
        if (!insert(&root, resource, error)) {
            *error = "stub: " + *error;
            return false;
        }
    }
    Bytes tree = writeTree(root, rsrc.rva);
    uint32_t treeSize = uint32_t(tree.size());

    Bytes out(image->begin(), image->begin() + rsrc.rawPointer);
    uint32_t rawSize = alignUp(treeSize, h.fileAlignment);
    tree.resize(rawSize, 0);
    out.insert(out.end(), tree.begin(), tree.end());
    put32(&out[rsrc.header + 8], treeSize);
    put32(&out[rsrc.header + 16], rawSize);
    put32(&out[h.directories + 8 * kResourceDirectory + 4], treeSize);

    uint32_t nextRva = alignUp(rsrc.rva + treeSize, h.sectionAlignment);
    uint32_t imageEnd = nextRva;
    for (size_t i = index + 1; i < sections.size(); ++i) {
        const Section& moved = sections[i];
        put32(&out[moved.header + 12], nextRva);
        put32(&out[moved.header + 20], uint32_t(out.size()));
        put32(&out[h.directories + 8 * kRelocationDirectory], nextRva);
        out.insert(out.end(), image->begin() + moved.rawPointer, image->begin() + moved.rawPointer + moved.rawSize);
        imageEnd = alignUp(nextRva + moved.virtualSize, h.sectionAlignment);
        nextRva = imageEnd;
    }
    int64_t grown = int64_t(rawSize) - int64_t(rsrc.rawSize);
    uint32_t initialized = readLe32(&out[h.optional + 8]);
    put32(&out[h.optional + 8], uint32_t(int64_t(initialized) + grown));
    put32(&out[h.optional + 56], imageEnd);
    updateChecksum(&out, h);
    image->swap(out);
    return true;
}
