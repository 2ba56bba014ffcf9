// The helpers every project reader shares: errors with their place in the
// project file, and the shape checks of tables and arrays of tables.
#include "builder/project_context.h"

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
