// The main class is looked up the way the JVM will: in the jars (and zips)
// that the launcher puts on the class path, which are the files at the top
// of the extraction directory and in its user directory.
#include "builder/project_checks.h"

#include <algorithm>
#include <map>
#include <set>

#include "builder/codepage.h"
#include "builder/edit_distance.h"
#include "builder/jar_classes.h"
#include "builder/record_name.h"
#include "launcher/base/config_keys.h"

namespace {

using payload_writer::FileRecord;

struct ClassIndex {
    std::map<std::string, std::string> onClassPath;  // class -> the record that holds it
    std::map<std::string, std::string> elsewhere;    // in a jar the launcher leaves off the class path
};

bool isArchive(const std::string& name) {
    std::string folded = recordNameFoldedKey(name);
    return folded.size() > 4 &&
           (folded.compare(folded.size() - 4, 4, ".jar") == 0 || folded.compare(folded.size() - 4, 4, ".zip") == 0);
}

bool launcherPutsOnClassPath(const std::string& name) {
    size_t slash = name.find('\\');
    return slash == std::string::npos || recordNameFoldedKey(name.substr(0, slash)) == "user";
}

std::string shownName(const ProjectContext& ctx, const std::string& stored) {
    std::string name = codepage::utf16ToUtf8(codepage::narrowToUtf16(stored, ctx.project->codePage));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

ClassIndex indexClasses(const ProjectContext& ctx) {
    ClassIndex index;
    for (const FileRecord& record : ctx.project->spec.records) {
        std::vector<std::string> classes;
        if (!isArchive(record.name)) continue;
        if (!jarClassNames(record.content, &classes)) {
            ctx.project->warnings.push_back(ctx.path + ": " + shownName(ctx, record.name) +
                                            " is not a jar (zip) archive; the Java runtime cannot read it");
            continue;
        }
        auto& into = launcherPutsOnClassPath(record.name) ? index.onClassPath : index.elsewhere;
        for (const std::string& name : classes) into.emplace(name, shownName(ctx, record.name));
    }
    return index;
}

// Classes may also come from a class path the project configures, which the
// build cannot see into; a class missing from the files is then only likely
// a mistake.
bool classPathReachesBeyondFiles(const std::map<int32_t, std::string>& settings) {
    auto has = [&](int32_t key) {
        auto it = settings.find(key);
        return it != settings.end() && !it->second.empty() && it->second != "0";
    };
    if (has(kKeyClassPath) || has(kKeyDefaultVmOptionsFile)) return true;
    for (const auto& [key, text] : settings) {
        bool options = key == kKeyVmOptions || (key > kKeyVersionLineCount && (key - kKeyFirstVersionPrefix) % 2 == 1);
        if (options &&
            (text.find("-classpath") != std::string::npos || text.find("-include-options") != std::string::npos))
            return true;
    }
    return false;
}

// Up to three classes whose names come closest: the same simple name in
// another package first, then small edit distances.
std::string suggestions(const std::string& wanted, const std::map<std::string, std::string>& classes) {
    const std::string simple = wanted.substr(wanted.find_last_of('.') + 1);
    std::vector<std::pair<size_t, std::string>> ranked;
    for (const auto& entry : classes) {
        const std::string& name = entry.first;
        size_t d = recordNameFoldedKey(name.substr(name.find_last_of('.') + 1)) == recordNameFoldedKey(simple)
                       ? 0
                       : editDistance(wanted, name);
        if (d <= std::max<size_t>(2, wanted.size() / 4)) ranked.emplace_back(d, name);
    }
    std::sort(ranked.begin(), ranked.end());
    std::string out;
    for (size_t i = 0; i < ranked.size() && i < 3; ++i)
        out += std::string(i ? (i + 1 == std::min<size_t>(ranked.size(), 3) ? " or " : ", ") : "") +
               quoted(ranked[i].second);
    return out;
}

std::string archiveList(const std::map<std::string, std::string>& classes) {
    std::set<std::string> archives;
    for (const auto& entry : classes) archives.insert(entry.second);
    std::string out;
    for (const std::string& archive : archives) out += (out.empty() ? "" : ", ") + archive;
    return out.empty() ? "none" : out;
}

const toml::node* mainClassNode(const toml::table& root) {
    const toml::table* settings = root["settings"].as_table();
    if (!settings) return nullptr;
    const toml::node* node = settings->get("main_class");
    return node ? node : settings->get(std::to_string(kKeyMainClass));
}

bool checkMainClass(const ProjectContext& ctx, const toml::table& root) {
    const auto& narrow = ctx.project->spec.narrow;
    auto given = narrow.find(kKeyMainClass);
    const toml::node* at = mainClassNode(root);
    auto fail = [&](const std::string& what) { return at ? ctx.fail(*at, what) : ctx.fail(what); };
    if (given == narrow.end() || given->second.empty())
        return ctx.fail(
            "main_class is missing: the runtime starts it; name your application's main class in "
            "[settings], such as main_class = \"com.example.Main\"");
    const std::string name = shownName(ctx, given->second);
    std::string dotted = name;
    std::replace(dotted.begin(), dotted.end(), '/', '.');
    if (dotted.size() > 6 && dotted.compare(dotted.size() - 6, 6, ".class") == 0) dotted.resize(dotted.size() - 6);
    if (dotted != name)
        return fail("main_class " + quoted(name) + " must be the class name in dotted form: " + quoted(dotted));
    const ClassIndex index = indexClasses(ctx);
    if (index.onClassPath.count(name)) return true;
    auto elsewhere = index.elsewhere.find(name);
    std::string problem, fix;
    if (elsewhere != index.elsewhere.end()) {
        const std::string& archive = elsewhere->second;
        const std::string file = archive.substr(archive.find_last_of('/') + 1);
        problem = "main_class " + quoted(name) + " is in " + archive +
                  ", which the launcher leaves off the class path (it takes the jars at the top and in user/)";
        fix = "; name that record " + quoted(file) + " or " + quoted("user/" + file);
    } else {
        problem = "main_class " + quoted(name) + " is in none of the jars on the class path (" +
                  archiveList(index.onClassPath) + ")";
        std::string nearest = suggestions(name, index.onClassPath);
        fix = nearest.empty() ? "; add the jar that holds it as a [[file]]" : "; did you mean " + nearest + "?";
    }
    if (classPathReachesBeyondFiles(narrow)) {
        ctx.project->warnings.push_back(ctx.path + ": " + problem + "; it must come from the class path you configure");
        return true;
    }
    return fail(problem + fix);
}

}  // namespace

bool checkProject(const ProjectContext& ctx, const toml::table& root) {
    return !ctx.project->defaultsOn() || checkMainClass(ctx, root);
}
