// Rendering of an Inspection. Fields the file did not get as far as are
// null in JSON and left out of the text report.
#include "builder/inspect_report.h"

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "builder/codepage.h"
#include "builder/json_text.h"
#include "builder/message_table.h"
#include "builder/settings_table.h"

namespace {

struct MissingText {
    const MessageInfo* message;
    std::string because;  // the setting that makes it reachable; empty when it always is
};

// Messages the launcher can show with these settings but has no text for in
// its main table (nor as a setting, which the launcher falls back to).
std::vector<MissingText> missingTexts(const Inspection& in) {
    std::vector<MissingText> missing;
    for (const MessageInfo* m = messagesBegin(); m != messagesEnd(); ++m) {
        auto wide = in.wide.find(m->id);
        auto narrow = in.narrow.find(m->id);
        if ((wide != in.wide.end() && !wide->second.empty()) || (narrow != in.narrow.end() && !narrow->second.empty()))
            continue;
        std::string because;
        if (messageReachable(*m, in.narrow, &because)) missing.push_back({m, because});
    }
    return missing;
}

template <class T>
std::string number(const std::optional<T>& value) {
    return value ? std::to_string(*value) : "null";
}

std::string hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// ---- JSON

struct Json {
    std::string out;
    int codePage;

    void key(const char* name) {
        if (!out.empty() && out.back() != '{' && out.back() != '[') out += ", ";
        appendJsonString(&out, std::string(name));
        out += ": ";
    }
    void narrow(const std::string& bytes) { appendJsonString(&out, codepage::narrowToUtf16(bytes, codePage)); }
    void wide(const std::u16string& text) { appendJsonString(&out, text); }
    void boolean(bool value) { out += value ? "true" : "false"; }
    void raw(const char* name, const std::string& text) {
        key(name);
        out += text;
    }

    template <class Map, class Put>
    void object(const Map& map, Put&& put) {
        out += "{";
        for (const auto& [id, text] : map) {
            key(std::to_string(id).c_str());
            put(text);
        }
        out += "}";
    }
};

void jsonLanguages(Json& j, const Inspection& in) {
    j.out += "[";
    for (size_t i = 0; i < in.languages.size(); ++i) {
        j.out += i ? ", {" : "{";
        j.key("code");
        j.narrow(in.languages[i].code);
        j.key("entries");
        j.object(in.languages[i].entries, [&](const std::u16string& t) { j.wide(t); });
        j.out += "}";
    }
    j.out += "]";
}

void jsonNames(Json& j, const Inspection& in) {
    j.out += "{";
    for (const auto& entry : in.narrow) {
        std::string label = settingLabel(entry.first);
        if (label.empty()) continue;
        j.key(std::to_string(entry.first).c_str());
        appendJsonString(&j.out, label);
    }
    j.out += "}";
}

void jsonMissing(Json& j, const Inspection& in) {
    j.out += "[";
    for (const MissingText& missing : missingTexts(in)) {
        j.out += j.out.back() == '[' ? "{" : ", {";
        j.raw("id", std::to_string(missing.message->id));
        j.key("shown_when");
        appendJsonString(&j.out, std::string(missing.message->shownWhen));
        j.key("because");
        appendJsonString(&j.out, missing.because);
        j.out += "}";
    }
    j.out += "]";
}

void jsonRecords(Json& j, const Inspection& in) {
    j.out += "[";
    for (size_t i = 0; i < in.records.size(); ++i) {
        const InspectedRecord& r = in.records[i];
        j.out += i ? ", {" : "{";
        j.key("name");
        j.narrow(r.name);
        j.raw("size", std::to_string(r.size));
        j.raw("offset", std::to_string(r.offset));
        j.out += "}";
    }
    j.out += "]";
}

std::string iconSize(uint8_t pixels) { return std::to_string(pixels ? pixels : 256); }

void jsonStub(Json& j, const StubInfo& stub) {
    j.out += "{";
    j.raw("bitness", stub.bitness ? std::to_string(stub.bitness) : "null");
    j.key("splash_image");
    if (stub.splashFormat.empty()) {
        j.out += "null";
    } else {
        j.out += "{";
        j.key("format");
        appendJsonString(&j.out, stub.splashFormat);
        j.raw("size", std::to_string(stub.splashSize));
        j.out += "}";
    }
    j.key("icons");
    j.out += "[";
    for (const IconImage& icon : stub.icons) {
        j.out += j.out.back() == '[' ? "{" : ", {";
        j.raw("width", iconSize(icon.width));
        j.raw("height", iconSize(icon.height));
        j.raw("bits", std::to_string(icon.bitCount));
        j.raw("size", std::to_string(icon.size));
        j.out += "}";
    }
    j.out += "]";
    j.key("version");
    if (!stub.version) {
        j.out += "null}";
        return;
    }
    j.out += "{";
    j.key("file_version");
    appendJsonString(&j.out, versionNumbersText(stub.version->fileVersion));
    j.key("product_version");
    appendJsonString(&j.out, versionNumbersText(stub.version->productVersion));
    j.key("strings");
    j.out += "{";
    for (const auto& [name, text] : stub.version->strings) {
        j.key(name.c_str());
        j.wide(text);
    }
    j.out += "}}}";
}

// ---- text

// Long values (a file list, a class path) are broken after a ";" or a blank
// near the width, and continue under their first character.
constexpr size_t kTextWidth = 100;

std::string wrapped(const std::string& line) {
    size_t quote = line.find('"');
    if (line.size() <= kTextWidth || quote == std::string::npos || quote + 20 > kTextWidth) return line + "\n";
    const std::string indent(quote + 1, ' ');
    std::string out;
    size_t start = 0, width = kTextWidth;
    while (line.size() - start > width) {
        size_t cut = line.find_last_of("; ", start + width - 1);
        if (cut == std::string::npos || cut <= start + width / 2) cut = start + width - 1;
        while (cut + 1 < line.size() && (static_cast<unsigned char>(line[cut + 1]) & 0xC0) == 0x80) ++cut;
        out += line.substr(start, cut + 1 - start) + "\n" + indent;
        start = cut + 1;
        width = kTextWidth - indent.size();
    }
    return out + line.substr(start) + "\n";
}

std::string shown(const std::u16string& text) {
    std::string out = "\"";
    for (char c : codepage::utf16ToUtf8(text)) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void textEntries(std::string& out, const std::map<int32_t, std::u16string>& entries, const char* indent,
                 bool named = false) {
    for (const auto& [id, text] : entries) {
        std::string label = named ? settingLabel(id) : std::string();
        out += wrapped(indent + std::to_string(id) + (label.empty() ? "" : " " + label) + " = " + shown(text));
    }
}

void textHeader(std::string& out, const Inspection& in) {
    if (in.payloadStart) out += "payload start:   " + std::to_string(*in.payloadStart) + "\n";
    if (in.magic) out += "magic:           " + hex32(*in.magic) + (in.magicOk() ? " (ok)\n" : " (wrong)\n");
    if (in.checkFlag) out += "check flag:      " + std::to_string(*in.checkFlag) + "\n";
    if (in.crcExpected) out += "expected CRC:    " + hex32(*in.crcExpected) + "\n";
    if (in.verifiedLength) out += "verified length: " + std::to_string(*in.verifiedLength) + "\n";
    if (in.crcComputed)
        out += "computed CRC:    " + hex32(*in.crcComputed) + (in.crcOk() ? " (matches)\n" : " (MISMATCH)\n");
}

void textStub(std::string& out, const StubInfo& stub) {
    if (!stub.bitness) return;
    out += "stub:            " + std::to_string(stub.bitness) + "-bit launcher\n";
    out +=
        "splash image:    " +
        (stub.splashFormat.empty() ? "none" : stub.splashFormat + ", " + std::to_string(stub.splashSize) + " bytes") +
        "\n";
    std::string icons;
    for (const IconImage& icon : stub.icons)
        icons += (icons.empty() ? "" : ", ") + iconSize(icon.width) + "x" + iconSize(icon.height) + " " +
                 std::to_string(icon.bitCount) + "-bit";
    out += "icon:            " + (icons.empty() ? "none" : icons) + "\n";
    if (!stub.version) {
        out += "version:         none\n";
        return;
    }
    out += "version:         file " + versionNumbersText(stub.version->fileVersion) + ", product " +
           versionNumbersText(stub.version->productVersion) + "\n";
    for (const auto& [name, text] : stub.version->strings) out += wrapped("  " + name + " = " + shown(text));
}

void textTables(std::string& out, const Inspection& in, int codePage) {
    std::map<int32_t, std::u16string> narrow;
    for (const auto& [id, bytes] : in.narrow) narrow[id] = codepage::narrowToUtf16(bytes, codePage);
    out += "narrow entries (" + std::to_string(in.narrow.size()) + "):\n";
    textEntries(out, narrow, "  ", true);
    out += "wide entries (" + std::to_string(in.wide.size()) + "):\n";
    textEntries(out, in.wide, "  ");
    out += "language blocks (" + std::to_string(in.languages.size()) + "):\n";
    for (const InspectedLanguage& language : in.languages) {
        out += "  " + shown(codepage::narrowToUtf16(language.code, codePage)) + " (" +
               std::to_string(language.entries.size()) + " entries)\n";
        textEntries(out, language.entries, "    ");
    }
}

void textMissing(std::string& out, const Inspection& in) {
    std::vector<MissingText> missing = missingTexts(in);
    if (missing.empty()) return;
    out += "messages without a text (" + std::to_string(missing.size()) + "), shown empty when they appear:\n";
    for (const MissingText& m : missing)
        out += "  " + std::to_string(m.message->id) + ": " + m.message->shownWhen +
               (m.because.empty() ? "" : " (reachable: " + m.because + ")") + "\n";
}

void textRecords(std::string& out, const Inspection& in, int codePage) {
    out += "file records (" + std::to_string(in.records.size()) + "):\n";
    for (const InspectedRecord& r : in.records)
        out += "  " + shown(codepage::narrowToUtf16(r.name, codePage)) + "  size " + std::to_string(r.size) +
               "  at offset " + std::to_string(r.offset) + "\n";
    if (in.unextractedPosition) out += "unextracted position: " + std::to_string(*in.unextractedPosition) + "\n";
}

}  // namespace

std::string inspectionJson(const Inspection& in, int codePage) {
    Json j{"{", codePage};
    j.raw("payload_start", number(in.payloadStart));
    j.raw("file_size", std::to_string(in.fileSize));
    j.raw("magic", number(in.magic));
    j.key("magic_ok");
    j.boolean(in.magicOk());
    j.raw("check_flag", number(in.checkFlag));
    j.raw("crc_expected", number(in.crcExpected));
    j.raw("crc_computed", number(in.crcComputed));
    j.key("crc_ok");
    j.boolean(in.crcOk());
    j.raw("verified_length", number(in.verifiedLength));
    j.key("stub");
    jsonStub(j, in.stub);
    j.key("narrow");
    j.object(in.narrow, [&](const std::string& t) { j.narrow(t); });
    j.key("setting_names");
    jsonNames(j, in);
    j.key("wide");
    j.object(in.wide, [&](const std::u16string& t) { j.wide(t); });
    j.key("languages");
    jsonLanguages(j, in);
    j.key("missing_texts");
    jsonMissing(j, in);
    j.key("records");
    jsonRecords(j, in);
    j.raw("unextracted_position", number(in.unextractedPosition));
    j.key("error");
    if (in.error.empty()) j.out += "null";
    else j.narrow(in.error);
    return j.out + "}\n";
}

std::string inspectionText(const Inspection& in, int codePage) {
    std::string out = "file size:       " + std::to_string(in.fileSize) + "\n";
    textStub(out, in.stub);
    textHeader(out, in);
    if (in.verifiedLength) {
        textTables(out, in, codePage);
        textMissing(out, in);
        textRecords(out, in, codePage);
    }
    if (!in.error.empty()) out += "error: " + codepage::utf16ToUtf8(codepage::narrowToUtf16(in.error, codePage)) + "\n";
    return out;
}
