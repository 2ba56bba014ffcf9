// The text tables of a project: [settings] (narrow, in the project's code
// page; named settings are turned into text by setting_values.cpp),
// [messages] (wide) and the [[language]] blocks that override messages.
#include "builder/project_texts.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>

#include "builder/codepage.h"
#include "builder/message_table.h"
#include "builder/setting_values.h"
#include "builder/settings_table.h"

namespace {

// Ids are 32-bit integers in decimal; "0107" is accepted but is the same id as "107".
bool parseId(const std::string& key, int32_t* id) {
    size_t digits = key.size() > 0 && key[0] == '-' ? 1 : 0;
    if (digits == key.size() || key.size() - digits > 11) return false;
    long long value = 0;
    for (size_t i = digits; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9') return false;
        value = value * 10 + (key[i] - '0');
    }
    if (digits) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    *id = static_cast<int32_t>(value);
    return true;
}

// Strings as written, integers in decimal; the launcher stops a text at NUL.
bool valueText(const ProjectContext& ctx, const std::string& where, const toml::node& node, std::string* text) {
    if (node.is_integer()) {
        *text = std::to_string(node.as_integer()->get());
        return true;
    }
    if (!node.is_string()) return ctx.fail(node, where + " must be a string or an integer");
    *text = node.as_string()->get();
    if (text->find('\0') != std::string::npos)
        return ctx.fail(node, where + " contains a NUL character, which would end the text early");
    return true;
}

std::string codePointName(char32_t cp) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(cp));
    return buffer;
}

bool toNarrow(const ProjectContext& ctx, const std::string& where, const toml::node& node, const std::string& utf8,
              std::string* out) {
    char32_t bad = 0;
    if (codepage::narrowFromUtf8(utf8, ctx.project->codePage, out, &bad)) return true;
    return ctx.fail(node, where + ": character " + codePointName(bad) + " cannot be written in code page " +
                              std::to_string(ctx.project->codePage));
}

bool toWide(const ProjectContext& ctx, const std::string& where, const toml::node& node, const std::string& utf8,
            std::u16string* out) {
    if (codepage::utf16FromUtf8(utf8, out)) return true;
    return ctx.fail(node, where + ": not valid UTF-8");
}

// Calls each(id, label, node, text) for every entry of an id = text table, refusing
// ids that are not integers and ids that name the same number twice.
template <class Each>
bool forEachEntry(const ProjectContext& ctx, const toml::table& table, const std::string& tableName, Each&& each) {
    std::map<int32_t, std::string> seen;
    for (auto&& [key, node] : table) {
        const std::string name(key.str());
        int32_t id = 0;
        if (!parseId(name, &id))
            return ctx.fail(key.source(), tableName + " key " + quoted(name) + " is not a 32-bit integer id");
        auto [earlier, fresh] = seen.emplace(id, name);
        if (!fresh)
            return ctx.fail(key.source(), tableName + " keys " + quoted(earlier->second) + " and " + quoted(name) +
                                              " are the same id " + std::to_string(id));
        std::string text;
        if (!valueText(ctx, tableName + " " + name, node, &text) || !each(id, tableName + " " + name, node, text))
            return false;
    }
    return true;
}

// The launcher reads each setting into a buffer of its own size and cuts
// what does not fit, silently for the user.
void warnWhenCut(const ProjectContext& ctx, const std::string& name, int32_t id, const std::string& stored) {
    const SettingInfo* setting = settingByKey(id);
    if (!setting || stored.size() < static_cast<size_t>(setting->capacity)) return;
    ctx.project->warnings.push_back(ctx.path + ": [settings] " + name + " is " + std::to_string(stored.size()) +
                                    " bytes long; the launcher reads only the first " +
                                    std::to_string(setting->capacity - 1));
}

// A key of [settings] may be written as a number or by name; either way a key
// given twice ("107" and "0107", or main_class and "122") is refused.
bool readSettings(const ProjectContext& ctx, const toml::table& root) {
    bool ok = true;
    const toml::table* settings = optionalTable(ctx, root, "settings", "[settings]", &ok);
    if (!settings) return ok;
    auto& narrow = ctx.project->spec.narrow;
    std::map<int32_t, std::string> seen;
    StoreSetting store = [&](int32_t id, const std::string& name, const toml::source_region& keyAt,
                             const toml::node& valueAt, const std::string& utf8) {
        int32_t numbered = 0;
        std::string shown = parseId(name, &numbered) ? quoted(name) : name;
        auto [earlier, fresh] = seen.emplace(id, shown);
        if (!fresh)
            return ctx.fail(keyAt, "[settings] keys " + earlier->second + " and " + shown + " are the same id " +
                                       std::to_string(id));
        if (!toNarrow(ctx, "[settings] " + name, valueAt, utf8, &narrow[id])) return false;
        warnWhenCut(ctx, name, id, narrow[id]);
        return true;
    };
    for (auto&& [key, node] : *settings) {
        const std::string name(key.str());
        int32_t id = 0;
        std::string text;
        if (!parseId(name, &id)) {
            if (!readNamedSetting(ctx, key, node, store)) return false;
        } else if (!valueText(ctx, "[settings] " + name, node, &text) || !store(id, name, key.source(), node, text)) {
            return false;
        }
    }
    return true;
}

// Three messages are formats the launcher fills in printf-style; a directive
// it passes no argument for would read past its arguments.
bool readWideTable(const ProjectContext& ctx, const toml::table& table, const std::string& tableName,
                   std::vector<std::pair<int32_t, std::u16string>>* entries) {
    return forEachEntry(ctx, table, tableName,
                        [&](int32_t id, const std::string& where, const toml::node& node, const std::string& text) {
                            entries->emplace_back(id, std::u16string());
                            if (!toWide(ctx, where, node, text, &entries->back().second)) return false;
                            const MessageInfo* message = messageById(id);
                            std::string why;
                            if (message && !messageFormatFits(*message, entries->back().second, &why))
                                return ctx.fail(node, where + " " + why);
                            return true;
                        });
}

bool readMessages(const ProjectContext& ctx, const toml::table& root) {
    bool ok = true;
    const toml::table* messages = optionalTable(ctx, root, "messages", "[messages]", &ok);
    if (!messages) return ok;
    std::vector<std::pair<int32_t, std::u16string>> entries;
    if (!readWideTable(ctx, *messages, "[messages]", &entries)) return false;
    ctx.project->spec.wide.insert(entries.begin(), entries.end());
    return true;
}

bool readLanguage(const ProjectContext& ctx, const toml::node& node, const std::string& name) {
    const toml::table* block = node.as_table();
    if (!block) return ctx.fail(node, name + " must be a table");
    if (!onlyKnownKeys(ctx, *block, name, {"code", "messages"})) return false;
    const toml::node* code = block->get("code");
    if (!code) return ctx.fail(node, name + " has no code");
    payload_writer::LanguageBlock out;
    std::string text;
    if (!code->is_string()) return ctx.fail(*code, name + " code must be a string");
    if (!valueText(ctx, name + " code", *code, &text) || !toNarrow(ctx, name + " code", *code, text, &out.code))
        return false;
    bool ok = true;
    const toml::table* messages = optionalTable(ctx, *block, "messages", name + " messages", &ok);
    if (!ok || (messages && !readWideTable(ctx, *messages, name + " messages", &out.entries))) return false;
    // TOML hands the keys over in text order; numeric order reads better in inspect.
    std::sort(out.entries.begin(), out.entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    ctx.project->spec.languages.push_back(std::move(out));
    return true;
}

bool readLanguages(const ProjectContext& ctx, const toml::table& root) {
    return forEachArrayTable(ctx, root, "language", [&](const toml::node& node, const std::string& name) {
        return readLanguage(ctx, node, name);
    });
}

}  // namespace

bool readTextTables(const ProjectContext& ctx, const toml::table& root) {
    return readSettings(ctx, root) && readMessages(ctx, root) && readLanguages(ctx, root);
}
