// Reading a project file: parsing, the [payload] options, the trailing data,
// the [version] table, and the checks on explicitly set file-list keys. The
// other parts are read by project_texts.cpp and project_files.cpp, completed
// by project_builtins.cpp and judged by project_checks.cpp.
#include "builder/project_reader.h"

#include <algorithm>

#include "builder/codepage.h"
#include "builder/file_io.h"
#include "builder/message_table.h"
#include "builder/project_builtins.h"
#include "builder/project_checks.h"
#include "builder/project_context.h"
#include "builder/project_files.h"
#include "builder/project_texts.h"
#include "payload/format.h"

namespace {

// translations = true, false, or a list of the built-in codes.
bool readTranslations(const ProjectContext& ctx, const toml::node& node) {
    if (node.is_boolean()) {
        if (!node.as_boolean()->get()) ctx.project->translations.emplace();
        return true;
    }
    std::string known;
    for (const char* code : kTranslationCodes) known += std::string(known.empty() ? "" : ", ") + quoted(code);
    const std::string expected = "[payload] translations must be true, false or a list of " + known;
    const toml::array* codes = node.as_array();
    if (!codes) return ctx.fail(node, expected);
    ctx.project->translations.emplace();
    for (const toml::node& code : *codes) {
        bool builtIn = false;
        for (const char* offered : kTranslationCodes)
            builtIn = builtIn || (code.is_string() && code.as_string()->get() == offered);
        if (!builtIn) return ctx.fail(code, expected);
        ctx.project->translations->push_back(code.as_string()->get());
    }
    return true;
}

bool readPayloadOptions(const ProjectContext& ctx, const toml::table& root) {
    bool ok = true;
    const toml::table* payload = optionalTable(ctx, root, "payload", "[payload]", &ok);
    if (!payload) return ok;
    if (!onlyKnownKeys(ctx, *payload, "[payload]", {"check", "codepage", "defaults", "translations"})) return false;
    for (const char* flag : {"check", "defaults"}) {
        const toml::node* node = payload->get(flag);
        if (node && !node->is_boolean())
            return ctx.fail(*node, std::string("[payload] ") + flag + " must be true or false");
    }
    if (const toml::node* check = payload->get("check"))
        ctx.project->spec.checkFlag = check->as_boolean()->get() ? 1 : 0;
    if (const toml::node* defaults = payload->get("defaults")) ctx.project->defaults = defaults->as_boolean()->get();
    if (const toml::node* translations = payload->get("translations"))
        if (!readTranslations(ctx, *translations)) return false;
    if (const toml::node* cp = payload->get("codepage")) {
        if (!cp->is_integer() || !codepage::isSupported(static_cast<int>(cp->as_integer()->get())))
            return ctx.fail(*cp, "[payload] codepage must be 1252 or 65001");
        ctx.project->codePage = static_cast<int>(cp->as_integer()->get());
    }
    return true;
}

bool readTrailing(const ProjectContext& ctx, const toml::table& root) {
    bool ok = true;
    const toml::table* trailing = optionalTable(ctx, root, "trailing", "[trailing]", &ok);
    if (!trailing) return ok;
    if (!onlyKnownKeys(ctx, *trailing, "[trailing]", {"source", "text"})) return false;
    const toml::node* source = trailing->get("source");
    const toml::node* text = trailing->get("text");
    if ((source != nullptr) == (text != nullptr))
        return ctx.fail(*trailing, "[trailing] needs exactly one of source = \"file\" or text = \"...\"");
    const toml::node* given = source ? source : text;
    if (!given->is_string()) return ctx.fail(*given, "[trailing] value must be a string");
    const std::string& value = given->as_string()->get();
    payload_writer::Bytes& data = ctx.project->spec.trailing;
    if (text) {
        data.assign(value.begin(), value.end());
        return true;
    }
    std::string path = resolveAgainst(ctx.baseDir, value);
    std::string why;
    if (!readWholeFile(path, &data, &why)) return ctx.fail(*given, "[trailing] source: " + why);
    ctx.project->inputFiles.push_back(path);
    return true;
}

// [version]: the texts of the version resource, and its numbers taken from
// the dotted version texts (one stands in for the other when it is missing).
bool readVersionTable(const ProjectContext& ctx, const toml::table& root) {
    bool ok = true;
    const toml::table* table = optionalTable(ctx, root, "version", "[version]", &ok);
    if (!table) return ok;
    if (!onlyKnownKeys(
            ctx, *table, "[version]",
            {"product_name", "product_version", "file_version", "company_name", "file_description", "legal_copyright"}))
        return false;
    VersionInfo info;
    bool numbered[2] = {false, false};
    for (const VersionField& field : kVersionFields) {
        const toml::node* node = table->get(field.key);
        if (!node) continue;
        const std::string where = std::string("[version] ") + field.key;
        const std::string* text = node->is_string() ? &node->as_string()->get() : nullptr;
        std::u16string wide;
        // The resource's blocks count their bytes in 16 bits: six texts of this size always fit.
        if (!text || text->empty() || text->find('\0') != std::string::npos || !codepage::utf16FromUtf8(*text, &wide) ||
            wide.size() > 1000)
            return ctx.fail(*node, where + " must be a text of 1 to 1000 characters");
        info.strings.emplace_back(field.resourceName, wide);
        const bool isFile = field.key == std::string("file_version");
        if (!isFile && field.key != std::string("product_version")) continue;
        std::string why;
        if (!versionNumbers(*text, isFile ? info.fileVersion : info.productVersion, &why))
            return ctx.fail(*node, where + " " + quoted(*text) + " " + why);
        numbered[isFile ? 0 : 1] = true;
    }
    if (!numbered[0]) std::copy(info.productVersion, info.productVersion + 4, info.fileVersion);
    if (!numbered[1]) std::copy(info.fileVersion, info.fileVersion + 4, info.productVersion);
    ctx.project->version = info;
    return true;
}

// Keys 2002 and 2003 set by hand win over the derived ones; say so when they
// disagree with the records, since the launcher then extracts something else.
void warnAboutFileKeys(const ProjectContext& ctx) {
    const payload_writer::PayloadSpec& spec = ctx.project->spec;
    const std::string derived[2] = {std::to_string(spec.records.size()), payload_writer::fileNamesKey(spec.records)};
    const int keys[2] = {payload_format::kKeyFileCount, payload_format::kKeyFileNames};
    for (int i = 0; i < 2; ++i) {
        auto it = spec.narrow.find(keys[i]);
        if (it != spec.narrow.end() && it->second != derived[i])
            ctx.project->warnings.push_back(ctx.path + ": [settings] " + std::to_string(keys[i]) + " = " +
                                            quoted(it->second) + " is used instead of the value the records give (" +
                                            quoted(derived[i]) + ")");
    }
}

}  // namespace

bool loadProject(const std::string& path, Project* project, std::string* error) {
    *project = Project();
    ProjectContext ctx;
    ctx.path = path;
    ctx.baseDir = directoryOf(path);
    ctx.project = project;
    ctx.error = error;

    payload_writer::Bytes bytes;
    std::string why;
    if (!readWholeFile(path, &bytes, &why)) {
        *error = "project file " + why;
        return false;
    }
    project->inputFiles.push_back(path);
    toml::parse_result parsed =
        toml::parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path);
    if (!parsed) return ctx.fail(parsed.error().source(), "invalid TOML: " + std::string(parsed.error().description()));
    const toml::table& root = parsed.table();
    if (!onlyKnownKeys(ctx, root, "the project",
                       {"payload", "settings", "messages", "language", "file", "trailing", "version"}))
        return false;
    if (!readPayloadOptions(ctx, root) || !readTextTables(ctx, root) || !readFileRecords(ctx, root) ||
        !readTrailing(ctx, root) || !readVersionTable(ctx, root) || !addRuntimeJar(ctx) || !addBuiltIns(ctx) ||
        !checkProject(ctx, root))
        return false;
    warnAboutFileKeys(ctx);
    return true;
}
