// Reading a project file: parsing, the [payload] options, the trailing data,
// and the checks on explicitly set file-list keys. Texts and file records are
// read by project_texts.cpp and project_files.cpp.
#include "builder/project.h"

#include "builder/codepage.h"
#include "builder/file_io.h"
#include "builder/project_context.h"
#include "payload/format.h"

bool ProjectContext::fail(const toml::source_region& where, const std::string& what) const {
    if (where.begin.line == 0) return fail(what);
    *error = path + ":" + std::to_string(where.begin.line) + ":" + std::to_string(where.begin.column) + ": " + what;
    return false;
}

bool ProjectContext::fail(const std::string& what) const {
    *error = path + ": " + what;
    return false;
}

bool onlyKnownKeys(const ProjectContext& ctx, const toml::table& table, const std::string& tableName,
                   std::initializer_list<const char*> allowed) {
    for (auto&& [key, node] : table) {
        bool known = false;
        for (const char* name : allowed) known = known || key.str() == name;
        if (!known) {
            std::string list;
            for (const char* name : allowed) list += std::string(list.empty() ? "" : ", ") + name;
            return ctx.fail(key.source(), "unknown key \"" + std::string(key.str()) + "\" in " + tableName +
                                              " (allowed: " + list + ")");
        }
    }
    return true;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

const toml::table* optionalTable(const ProjectContext& ctx, const toml::table& parent, const char* key,
                                 const std::string& tableName, bool* ok) {
    *ok = true;
    const toml::node* node = parent.get(key);
    if (node && !node->is_table()) *ok = ctx.fail(*node, tableName + " must be a table");
    return node ? node->as_table() : nullptr;
}

bool forEachArrayTable(const ProjectContext& ctx, const toml::table& root, const char* key,
                       const std::function<bool(const toml::node&, const std::string&)>& each) {
    const toml::node* node = root.get(key);
    if (!node) return true;
    const toml::array* tables = node->as_array();
    const std::string name = std::string("[[") + key + "]]";
    if (!tables || (!tables->empty() && !tables->is_array_of_tables()))
        return ctx.fail(*node, std::string(key) + " must be written as " + name + " tables");
    for (size_t i = 0; i < tables->size(); ++i)
        if (!each(*tables->get(i), name + " #" + std::to_string(i + 1))) return false;
    return true;
}

namespace {

bool readPayloadOptions(const ProjectContext& ctx, const toml::table& root) {
    bool ok = true;
    const toml::table* payload = optionalTable(ctx, root, "payload", "[payload]", &ok);
    if (!payload) return ok;
    if (!onlyKnownKeys(ctx, *payload, "[payload]", {"check", "codepage"})) return false;
    if (const toml::node* check = payload->get("check")) {
        if (!check->is_boolean()) return ctx.fail(*check, "[payload] check must be true or false");
        ctx.project->spec.checkFlag = check->as_boolean()->get() ? 1 : 0;
    }
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
    toml::parse_result parsed = toml::parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path);
    if (!parsed) return ctx.fail(parsed.error().source(), "invalid TOML: " + std::string(parsed.error().description()));
    const toml::table& root = parsed.table();
    if (!onlyKnownKeys(ctx, root, "the project",
                       {"payload", "settings", "messages", "language", "file", "trailing"}))
        return false;
    if (!readPayloadOptions(ctx, root) || !readTextTables(ctx, root) || !readFileRecords(ctx, root) ||
        !readTrailing(ctx, root))
        return false;
    warnAboutFileKeys(ctx);
    return true;
}
