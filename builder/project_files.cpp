// The [[file]] records of a project: their sources, and names the launcher
// can extract into its directory without leaving it; and the runtime jar,
// which every setup file needs and no project should have to name.
#include "builder/project_files.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "builder/codepage.h"
#include "builder/file_io.h"
#include "builder/host_system.h"
#include "builder/project_builtins.h"
#include "builder/record_name.h"
#include "payload/format.h"

namespace {

bool stringKey(const ProjectContext& ctx, const toml::table& record, const toml::node& at, const char* key,
               const std::string& name, std::string* out) {
    const toml::node* node = record.get(key);
    if (!node) return ctx.fail(at, name + " has no " + key);
    if (!node->is_string()) return ctx.fail(*node, name + " " + key + " must be a string");
    *out = node->as_string()->get();
    return true;
}

// Whether the launcher extracts the record that comes next: all of them,
// unless file_count says fewer.
bool extractedNext(const ProjectContext& ctx) {
    const auto& narrow = ctx.project->spec.narrow;
    auto count = narrow.find(payload_format::kKeyFileCount);
    return count == narrow.end() || ctx.project->spec.records.size() < size_t(std::atoi(count->second.c_str()));
}

// Names in key 2003 are in the settings code page, with backslashes.
bool recordName(const ProjectContext& ctx, const toml::node& at, const std::string& label, const std::string& written,
                std::string* stored) {
    std::string normalised, problem;
    int depth = 0;
    if (!normaliseRecordName(written, &normalised, &depth, &problem))
        return ctx.fail(at, label + " name " + quoted(written) + " " + problem);
    char32_t bad = 0;
    if (!codepage::narrowFromUtf8(normalised, ctx.project->codePage, stored, &bad))
        return ctx.fail(at, label + " name " + quoted(written) + " cannot be written in code page " +
                                std::to_string(ctx.project->codePage));
    // The launcher creates one directory level; every start would end in an
    // internal error. Records behind file_count are the installer's to read.
    if (depth > 1 && extractedNext(ctx))
        return ctx.fail(at, label + " name " + quoted(written) + " is " + std::to_string(depth) +
                                " directories deep; the launcher creates only one directory level, so every start "
                                "would fail: use at most one directory, such as \"lib/" +
                                written.substr(written.find_last_of("/\\") + 1) + "\"");
    return true;
}

bool readRecord(const ProjectContext& ctx, const toml::node& node, const std::string& label,
                std::map<std::string, std::string>* seen) {
    const toml::table* record = node.as_table();
    if (!record) return ctx.fail(node, label + " must be a table");
    if (!onlyKnownKeys(ctx, *record, label, {"source", "name"})) return false;
    std::string source, written;
    // Without a name the file keeps the name it has.
    const toml::node* named = record->get("name");
    if (named ? !stringKey(ctx, *record, node, "name", label, &written)
              : !stringKey(ctx, *record, node, "source", label, &source))
        return false;
    if (!named) written = source.substr(source.find_last_of("/\\") + 1);
    if (named && !stringKey(ctx, *record, node, "source", label + " (" + quoted(written) + ")", &source)) return false;
    const toml::node& nameNode = named ? *named : *record->get("source");
    payload_writer::FileRecord out;
    if (!recordName(ctx, nameNode, label, written, &out.name)) return false;
    auto [earlier, fresh] = seen->emplace(recordNameFoldedKey(out.name), written);
    if (!fresh)
        return ctx.fail(nameNode, label + " name " + quoted(written) + " duplicates record name " +
                                      quoted(earlier->second) +
                                      (earlier->second == written ? "" : " (the same file on Windows)"));
    std::string path = resolveAgainst(ctx.baseDir, source), why;
    if (!readWholeFile(path, &out.content, &why))
        return ctx.fail(*record->get("source"), label + " (" + quoted(written) + ") source " + why);
    ctx.project->inputFiles.push_back(path);
    if (!deriveFromRecord(ctx, out, *record->get("source"))) return false;
    ctx.project->spec.records.push_back(std::move(out));
    return true;
}

}  // namespace

bool readFileRecords(const ProjectContext& ctx, const toml::table& root) {
    std::map<std::string, std::string> seen;
    return forEachArrayTable(ctx, root, "file", [&](const toml::node& node, const std::string& name) {
        return readRecord(ctx, node, name, &seen);
    });
}

bool addRuntimeJar(const ProjectContext& ctx) {
    Project& project = *ctx.project;
    const auto& narrow = project.spec.narrow;
    auto& records = project.spec.records;
    if (!project.defaultsOn() || narrow.count(payload_format::kKeyFileCount) ||
        narrow.count(payload_format::kKeyFileNames) ||
        std::any_of(records.begin(), records.end(),
                    [](const payload_writer::FileRecord& r) { return recordNameFoldedKey(r.name) == kRuntimeJarName; }))
        return true;
    const std::string directory = host::toolDirectory();
    const std::string path = resolveAgainst(directory, kRuntimeJarName);
    payload_writer::FileRecord jar{kRuntimeJarName, {}};
    std::string why;
    if (directory.empty() || !readWholeFile(path, &jar.content, &why))
        return ctx.fail(std::string("the runtime jar ") + kRuntimeJarName + " must lie beside tlx-builder (" +
                        (directory.empty() ? "whose directory is unknown" : why) +
                        "); copy it there, or name it in the project as a [[file]]");
    project.inputFiles.push_back(path);
    records.insert(records.begin(), std::move(jar));
    return true;
}
