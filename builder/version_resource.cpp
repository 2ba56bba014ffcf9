// VS_VERSIONINFO is a tree of blocks: length, value length, type (0 binary,
// 1 text), a UTF-16 key, the value and the child blocks, each part starting
// on a 4-byte boundary. The root holds the fixed numbers; the strings sit in
// StringFileInfo under one table per language and code page, which
// VarFileInfo's Translation lists.
#include "builder/version_resource.h"

#include <algorithm>

const VersionField kVersionFields[kVersionFieldCount] = {
    {"product_name", "ProductName"}, {"product_version", "ProductVersion"},   {"file_version", "FileVersion"},
    {"company_name", "CompanyName"}, {"file_description", "FileDescription"}, {"legal_copyright", "LegalCopyright"},
};

namespace {

using payload_writer::Bytes;
using payload_writer::readLe16;
using payload_writer::readLe32;

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint16_t kFixedSize = 52;
constexpr uint32_t kUsEnglish = 0x0409;
constexpr uint32_t kUnicodeCodePage = 1200;
constexpr char kStringTable[] = "040904b0";  // US English, Unicode

void put16(Bytes* out, uint32_t value) {
    out->push_back(uint8_t(value));
    out->push_back(uint8_t(value >> 8));
}
void put32(Bytes* out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
void align(Bytes* out) {
    while (out->size() % 4) out->push_back(0);
}
void putText(Bytes* out, const std::u16string& text) {
    for (char16_t unit : text) put16(out, unit);
    put16(out, 0);
}
std::u16string ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

// One block; children are blocks already written.
Bytes block(const char* key, const Bytes& value, uint16_t valueLength, bool text, const std::vector<Bytes>& children) {
    Bytes out(6, 0);
    putText(&out, ascii(key));
    align(&out);
    out.insert(out.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        align(&out);
        out.insert(out.end(), child.begin(), child.end());
    }
    out[0] = uint8_t(out.size()), out[1] = uint8_t(out.size() >> 8);
    out[2] = uint8_t(valueLength), out[3] = uint8_t(valueLength >> 8);
    out[4] = text ? 1 : 0;
    return out;
}

Bytes fixedInfo(const VersionInfo& info) {
    Bytes out;
    put32(&out, kFixedSignature);
    put32(&out, 0x00010000);  // structure version 1.0
    for (const uint16_t* v : {info.fileVersion, info.productVersion}) {
        put32(&out, uint32_t(v[0]) << 16 | v[1]);
        put32(&out, uint32_t(v[2]) << 16 | v[3]);
    }
    put32(&out, 0x3F);        // flags mask
    put32(&out, 0);           // flags
    put32(&out, 0x00040004);  // VOS_NT_WINDOWS32
    put32(&out, 1);           // VFT_APP
    put32(&out, 0);           // subtype
    put32(&out, 0);           // date, high
    put32(&out, 0);           // date, low
    return out;
}

// ---- reading

struct Block {
    std::u16string key;
    uint32_t valueAt = 0, valueLength = 0, type = 0;
    uint32_t childrenAt = 0, end = 0;
};

uint32_t alignUp(uint32_t at) { return (at + 3) & ~3u; }

bool readBlock(const Bytes& data, uint32_t at, uint32_t limit, Block* out) {
    if (at + 6 > limit) return false;
    uint32_t length = readLe16(&data[at]);
    if (length < 6 || length > limit - at) return false;
    out->end = at + length;
    out->valueLength = readLe16(&data[at + 2]);
    out->type = readLe16(&data[at + 4]);
    out->key.clear();
    uint32_t p = at + 6;
    for (; p + 2 <= out->end && readLe16(&data[p]); p += 2) out->key.push_back(char16_t(readLe16(&data[p])));
    if (p + 2 > out->end) return false;
    out->valueAt = alignUp(p + 2);
    uint32_t valueBytes = out->type == 1 ? out->valueLength * 2 : out->valueLength;
    if (out->valueAt > out->end || valueBytes > out->end - out->valueAt) return false;
    out->childrenAt = alignUp(out->valueAt + valueBytes);
    return true;
}

template <class Each>
bool forEachChild(const Bytes& data, const Block& parent, Each&& each) {
    for (uint32_t at = parent.childrenAt; at + 6 <= parent.end;) {
        Block child;
        if (!readBlock(data, at, parent.end, &child) || !each(child)) return false;
        at = alignUp(child.end);
    }
    return true;
}

std::string narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

}  // namespace

bool versionNumbers(const std::string& text, uint16_t out[4], std::string* why) {
    std::fill(out, out + 4, uint16_t(0));
    auto digit = [&](size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
    size_t pos = 0;
    for (int i = 0;; ++i) {
        uint32_t value = 0;
        if (!digit(pos)) {
            *why = "must start with a number, such as \"1.2.3\"";
            return false;
        }
        while (digit(pos) && value <= 65535) value = value * 10 + uint32_t(text[pos++] - '0');
        if (value > 65535) {
            *why = "has a number above 65535, which a version resource cannot hold";
            return false;
        }
        if (i == 4) {
            *why = "has more than four numbers, which a version resource cannot hold";
            return false;
        }
        out[i] = uint16_t(value);
        if (pos >= text.size() || text[pos] != '.' || !digit(pos + 1)) return true;
        ++pos;
    }
}

std::string versionNumbersText(const uint16_t numbers[4]) {
    return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." + std::to_string(numbers[2]) + "." +
           std::to_string(numbers[3]);
}

Bytes versionResource(const VersionInfo& info) {
    std::vector<Bytes> strings;
    for (const auto& [name, text] : info.strings) {
        Bytes value;
        putText(&value, text);
        strings.push_back(block(name.c_str(), value, uint16_t(text.size() + 1), true, {}));
    }
    Bytes translation;
    put16(&translation, kUsEnglish);
    put16(&translation, kUnicodeCodePage);
    Bytes table = block(kStringTable, {}, 0, true, strings);
    Bytes stringInfo = block("StringFileInfo", {}, 0, true, {table});
    Bytes varInfo = block("VarFileInfo", {}, 0, true, {block("Translation", translation, 4, false, {})});
    return block("VS_VERSION_INFO", fixedInfo(info), kFixedSize, false, {stringInfo, varInfo});
}

bool readVersionResource(const Bytes& data, VersionInfo* out) {
    Block root;
    *out = VersionInfo();
    if (data.size() > 0xFFFF || !readBlock(data, 0, uint32_t(data.size()), &root) || root.key != u"VS_VERSION_INFO" ||
        root.valueLength < kFixedSize || readLe32(&data[root.valueAt]) != kFixedSignature)
        return false;
    const uint8_t* fixed = &data[root.valueAt];
    for (int i = 0; i < 2; ++i) {
        uint16_t* v = i == 0 ? out->fileVersion : out->productVersion;
        uint32_t high = readLe32(fixed + 8 + 8 * i), low = readLe32(fixed + 12 + 8 * i);
        v[0] = uint16_t(high >> 16), v[1] = uint16_t(high), v[2] = uint16_t(low >> 16), v[3] = uint16_t(low);
    }
    return forEachChild(data, root, [&](const Block& info) {
        if (info.key != u"StringFileInfo") return true;
        return forEachChild(data, info, [&](const Block& table) {
            return forEachChild(data, table, [&](const Block& entry) {
                std::u16string text;
                uint32_t end = std::min(entry.end, entry.valueAt + entry.valueLength * 2);
                for (uint32_t p = entry.valueAt; p + 2 <= end && readLe16(&data[p]); p += 2)
                    text.push_back(char16_t(readLe16(&data[p])));
                out->strings.emplace_back(narrow(entry.key), text);
                return true;
            });
        });
    });
}
