// What the builder adds to a project that has its defaults on: the
// uncompressed size of an included jre.tar.gz, message boxes for fatal
// errors, the built-in text of every message the project leaves out (worded
// for an installer or an application, as the flavour says), and the
// translations of those texts as language blocks (stored first, so the
// project's own blocks win).
#include "builder/project_builtins.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

#include "builder/codepage.h"
#include "builder/message_table.h"
#include "builder/record_name.h"
#include "builder/settings_table.h"
#include "launcher/base/config_keys.h"

namespace {

// The number of bytes a gzip file unpacks to, over all its members, as the
// launcher's reader sees them; false when it is not a complete gzip stream.
bool gzipUncompressedSize(const payload_writer::Bytes& data, uint64_t* size) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return false;
    unsigned char out[65536];
    size_t offset = 0;
    int result = Z_OK;
    *size = 0;
    while (result == Z_OK && offset < data.size()) {
        size_t chunk = std::min<size_t>(data.size() - offset, 1u << 30);
        stream.next_in = const_cast<Bytef*>(data.data() + offset);
        stream.avail_in = static_cast<uInt>(chunk);
        do {
            stream.next_out = out;
            stream.avail_out = sizeof out;
            result = inflate(&stream, Z_NO_FLUSH);
            *size += sizeof out - stream.avail_out;
        } while (result == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0));
        offset += chunk - stream.avail_in;
        // Another member follows only when the gzip signature does.
        if (result == Z_STREAM_END && data.size() - offset >= 2 && data[offset] == 0x1f && data[offset + 1] == 0x8b) {
            inflateReset(&stream);
            result = Z_OK;
        }
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}

std::u16string wide(const char* utf8) {
    std::u16string text;
    codepage::utf16FromUtf8(utf8, &text);
    return text;
}

bool translationWanted(const Project& project, const char* code) {
    if (!project.translations) return true;
    for (const std::string& wanted : *project.translations)
        if (wanted == code) return true;
    return false;
}

// A message the project gives in a block of exactly this code keeps the
// project's text there; the built-in one would only be overridden.
bool projectBlockHas(const std::vector<payload_writer::LanguageBlock>& blocks, const char* code, int32_t id) {
    for (const payload_writer::LanguageBlock& block : blocks) {
        if (block.code != code) continue;
        for (const auto& entry : block.entries)
            if (entry.first == id) return true;
    }
    return false;
}

// The built-in texts obey the rule a project's texts are held to; a slip in
// a translation would otherwise reach the launcher unnoticed.
bool builtInFormatsFit(const ProjectContext& ctx, TextFlavour flavour) {
    for (const MessageInfo* m = messagesBegin(); m != messagesEnd(); ++m) {
        for (int i = 0; i <= kTranslationCount; ++i) {
            std::string why;
            if (!messageFormatFits(*m, wide(builtInText(*m, flavour, i)), &why))
                return ctx.fail("internal error: the built-in text " + std::to_string(m->id) + " (" +
                                (i ? kTranslationCodes[i - 1] : "en") + ") " + why);
        }
    }
    return true;
}

// A message the project words itself reaches users of the built-in
// languages untranslated, beside built-in texts in their language: say which
// ones, so that the author adds the translations or turns them off.
void warnAboutUntranslated(const ProjectContext& ctx, TextFlavour flavour) {
    const Project& project = *ctx.project;
    std::string list;
    for (const auto& entry : project.spec.wide) {
        const MessageInfo* m = messageById(entry.first);
        if (!m) continue;
        std::string codes;
        for (int i = 0; i < kTranslationCount; ++i) {
            const char* code = kTranslationCodes[i];
            bool translated = std::string(builtInText(*m, flavour, 1 + i)) != builtInText(*m, flavour, 0);
            if (translated && translationWanted(project, code) && !projectBlockHas(project.spec.languages, code, m->id))
                codes += std::string(codes.empty() ? "" : ", ") + code;
        }
        if (!codes.empty()) list += (list.empty() ? "" : "; ") + std::to_string(m->id) + " (" + codes + ")";
    }
    if (!list.empty())
        ctx.project->warnings.push_back(
            ctx.path + ": [messages] " + list +
            " lack the translations the built-in texts have, so those users read "
            "them untranslated beside translated built-in texts; add [[language]] blocks for them, or set [payload] "
            "translations = false");
}

// The launcher shows fatal errors on standard error unless launcher_kind
// says otherwise, and a GUI program's standard error is seen by no one.
void addDerivedSettings(Project& project) { project.spec.narrow.emplace(kKeyLauncherKind, "5"); }

TextFlavour flavourOf(const Project& project) {
    auto flavour = project.spec.narrow.find(kKeyFlavour);
    bool installer = flavour != project.spec.narrow.end() && !flavour->second.empty() && flavour->second[0] == 'i';
    return installer ? TextFlavour::kInstaller : TextFlavour::kApplication;
}

bool addBuiltInTexts(const ProjectContext& ctx) {
    const TextFlavour flavour = flavourOf(*ctx.project);
    if (!builtInFormatsFit(ctx, flavour)) return false;
    warnAboutUntranslated(ctx, flavour);
    Project& project = *ctx.project;
    payload_writer::PayloadSpec& spec = project.spec;
    // A message given as a setting is shown through the setting's fallback,
    // so it counts as given too.
    std::set<int32_t> builtIn;
    for (const MessageInfo* m = messagesBegin(); m != messagesEnd(); ++m) {
        if (spec.wide.count(m->id) || spec.narrow.count(m->id)) continue;
        spec.wide[m->id] = wide(builtInText(*m, flavour, 0));
        builtIn.insert(m->id);
    }
    // Translations of the built-in texts only: a text the project wrote
    // itself has no translation here.
    std::vector<payload_writer::LanguageBlock> blocks;
    for (int i = 0; i < kTranslationCount; ++i) {
        const char* code = kTranslationCodes[i];
        if (!translationWanted(project, code)) continue;
        payload_writer::LanguageBlock block;
        block.code = code;
        for (int32_t id : builtIn) {
            const MessageInfo& m = *messageById(id);
            const std::string english = builtInText(m, flavour, 0), translated = builtInText(m, flavour, 1 + i);
            // Where the translation reads as the English text, the main table already says it.
            if (translated != english && !projectBlockHas(spec.languages, code, id))
                block.entries.emplace_back(id, wide(translated.c_str()));
        }
        if (!block.entries.empty()) blocks.push_back(std::move(block));
    }
    spec.languages.insert(spec.languages.begin(), blocks.begin(), blocks.end());
    return true;
}

}  // namespace

bool deriveFromRecord(const ProjectContext& ctx, const payload_writer::FileRecord& record, const toml::node& at) {
    payload_writer::PayloadSpec& spec = ctx.project->spec;
    if (!ctx.project->defaultsOn() || recordNameFoldedKey(record.name) != "jre.tar.gz" ||
        spec.narrow.count(setting_key::kJreArchiveSize))
        return true;
    uint64_t size = 0;
    if (!gzipUncompressedSize(record.content, &size))
        return ctx.fail(at, "jre.tar.gz is not a complete gzip archive; the launcher could not unpack it");
    if (size > INT32_MAX) {
        ctx.project->warnings.push_back(ctx.path + ": jre.tar.gz unpacks to " + std::to_string(size) +
                                        " bytes, more than jre_archive_size can hold; its progress bar stays still");
        return true;
    }
    spec.narrow[setting_key::kJreArchiveSize] = std::to_string(size);
    return true;
}

bool addBuiltIns(const ProjectContext& ctx) {
    if (!ctx.project->defaultsOn()) return true;
    addDerivedSettings(*ctx.project);
    return addBuiltInTexts(ctx);
}
