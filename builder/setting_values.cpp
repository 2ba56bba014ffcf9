// Settings written by name: each typed value turned into the text form the
// launcher reads (flags as 1/0, argument arrays quoted for its splitter, the
// Java search and class path as their type-letter lists).
#include "builder/setting_values.h"

#include <cstdint>
#include <string>
#include <vector>

#include "builder/settings_table.h"

namespace {

using KeyTexts = std::vector<std::pair<int32_t, std::string>>;

struct Conversion {
    const ProjectContext& ctx;
    const SettingInfo& info;
    std::string where;  // "[settings] name", for messages

    bool fail(const toml::node& at, const std::string& what) const { return ctx.fail(at, where + " " + what); }

    bool text(const toml::node& node, std::string* out, const char* expected = "must be a text in quotes") const {
        if (!node.is_string()) return fail(node, expected);
        *out = node.as_string()->get();
        if (out->find('\0') != std::string::npos)
            return fail(node, "contains a NUL character, which would end it early");
        return true;
    }

    bool integer(const toml::node& node, int64_t low, int64_t high, int64_t* out) const {
        if (!node.is_integer()) return fail(node, "must be an integer");
        *out = node.as_integer()->get();
        if (*out < low || *out > high)
            return fail(node, "is " + std::to_string(*out) + ", outside " + std::to_string(low) + " to " +
                                  std::to_string(high));
        return true;
    }

    // A string as it stands, or an array of strings each checked by item.
    template <class Item>
    bool textOrTexts(const toml::node& node, std::vector<std::string>* items, bool* wasArray, Item&& item) const {
        *wasArray = node.is_array();
        if (!*wasArray) {
            items->emplace_back();
            return text(node, &items->back(), "must be a text or an array of texts");
        }
        for (const toml::node& element : *node.as_array()) {
            items->emplace_back();
            if (!text(element, &items->back(), "must be a text or an array of texts") || !item(element, items->back()))
                return false;
        }
        return true;
    }

    const toml::array* arrayOfTables(const toml::node& node, const char* what) const {
        const toml::array* array = node.as_array();
        if (!array || (!array->empty() && !array->is_array_of_tables())) {
            fail(node, std::string("must be an array of ") + what);
            return nullptr;
        }
        return array;
    }
};

// The launcher splits these values at blanks; a quote (either kind) runs to
// the next quote of the same kind and is dropped, and there is no escape.
// An argument with blanks, quotes or a placeholder whose value may hold
// blanks goes inside the quote kind it does not contain.
bool quoteArgument(const std::string& arg, std::string* out) {
    bool hasDouble = arg.find('"') != std::string::npos, hasSingle = arg.find('\'') != std::string::npos;
    if (hasDouble && hasSingle) return false;
    bool plain = !arg.empty() && !hasDouble && !hasSingle && arg.find(' ') == std::string::npos &&
                 arg.find("${") == std::string::npos && arg.find('%') == std::string::npos;
    char quote = hasDouble ? '\'' : '"';
    *out += plain ? arg : quote + arg + quote;
    return true;
}

bool noSeparator(const Conversion& c, const toml::node& at, const std::string& value) {
    if (value.empty()) return c.fail(at, "has an empty entry");
    if (value.find(';') != std::string::npos)
        return c.fail(at, "entry " + quoted(value) + " holds a \";\", which the launcher reads as a separator");
    return true;
}

bool arguments(const Conversion& c, const toml::node& node, std::string* out) {
    std::vector<std::string> items;
    bool wasArray = false;
    if (!c.textOrTexts(node, &items, &wasArray, [](const toml::node&, const std::string&) { return true; }))
        return false;
    if (!wasArray) return *out = items[0], true;
    const toml::array& array = *node.as_array();
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) *out += ' ';
        if (!quoteArgument(items[i], out))
            return c.fail(*array.get(i), "argument " + quoted(items[i]) +
                                             " holds both kinds of quote; the launcher cannot receive it as one "
                                             "argument");
    }
    return true;
}

bool joined(const Conversion& c, const toml::node& node, bool terminate, std::string* out) {
    std::vector<std::string> items;
    bool wasArray = false;
    auto check = [&](const toml::node& at, const std::string& value) { return noSeparator(c, at, value); };
    if (!c.textOrTexts(node, &items, &wasArray, check)) return false;
    if (!wasArray) return *out = items[0], true;
    for (size_t i = 0; i < items.size(); ++i) *out += (i && !terminate ? ";" : "") + items[i] + (terminate ? ";" : "");
    return true;
}

// One entry of a list of tables such as { env = "JAVA_HOME" }: exactly one of
// the kinds, plus the options that kind allows.
struct EntryKind {
    const char* key;
    char letter;
    bool takesText;         // false: the kind is switched on with true
    const char* optionKey;  // an extra flag, or nullptr
    char optionLetter;      // the letter when the option is true
};

bool listEntry(const Conversion& c, const toml::node& node, const std::vector<EntryKind>& kinds,
               const char* optionDefault, std::string* out) {
    const toml::table& entry = *node.as_table();
    const EntryKind* kind = nullptr;
    std::string known;
    for (const EntryKind& k : kinds) {
        known += std::string(known.empty() ? "" : ", ") + k.key;
        if (entry.get(k.key)) {
            if (kind) return c.fail(node, std::string("entry has both ") + kind->key + " and " + k.key);
            kind = &k;
        }
    }
    for (auto&& [key, value] : entry) {
        const std::string name(key.str());
        if (kind && (name == kind->key || (kind->optionKey && name == kind->optionKey))) continue;
        if (!kind)
            return c.ctx.fail(key.source(),
                              c.where + " entry of an unknown kind " + quoted(name) + " (known: " + known + ")");
        return c.ctx.fail(key.source(), c.where + " " + kind->key + " entry takes no " + quoted(name) +
                                            (kind->optionKey ? std::string(" (only ") + kind->optionKey + ")" : ""));
    }
    if (!kind) return c.fail(node, "entry is empty (known kinds: " + known + ")");
    const toml::node& value = *entry.get(kind->key);
    std::string text;
    if (kind->takesText) {
        if (!c.text(value, &text) || !noSeparator(c, value, text)) return false;
    } else if (!value.is_boolean() || !value.as_boolean()->get()) {
        return c.fail(value, std::string(kind->key) + " must be true");
    }
    char letter = kind->letter;
    if (kind->optionKey) {
        std::string option = optionDefault;
        if (const toml::node* flag = entry.get(kind->optionKey)) {
            if (!flag->is_boolean()) return c.fail(*flag, std::string(kind->optionKey) + " must be true or false");
            option = flag->as_boolean()->get() ? "1" : "0";
        }
        if (kind->optionLetter) letter = option == "1" ? kind->optionLetter : letter;
        else text = option + text;
    }
    *out += letter + text + ";";
    return true;
}

bool entryList(const Conversion& c, const toml::node& node, const char* what, const std::vector<EntryKind>& kinds,
               std::string* out) {
    const toml::array* array = c.arrayOfTables(node, what);
    if (!array) return false;
    for (const toml::node& entry : *array)
        if (!listEntry(c, entry, kinds, "0", out)) return false;
    return true;
}

const std::vector<EntryKind> kSearchKinds = {
    {"registry", 'Y', false, nullptr, 0},
    {"env", 'E', true, nullptr, 0},
    {"dir", 'A', true, "fallback", 'B'},
    {"system_path", 'S', false, nullptr, 0},
};

// A class path entry is its letter, a required flag ("1" or "0") and its value.
const std::vector<EntryKind> kClassPathKinds = {
    {"archive", 'A', true, "required", 0},
    {"dir", 'D', true, "required", 0},
    {"env", 'E', true, "required", 0},
    {"archives_in", 'S', true, "required", 0},
};

bool colour(const Conversion& c, const toml::node& node, std::string* out) {
    if (node.is_string()) return c.text(node, out);
    const toml::array* array = node.as_array();
    if (!array || array->size() != 3) return c.fail(node, "must be [red, green, blue]");
    for (size_t i = 0; i < 3; ++i) {
        int64_t part = 0;
        if (!c.integer(*array->get(i), 0, 255, &part)) return false;
        *out += (i ? "," : "") + std::to_string(part);
    }
    return true;
}

bool flavour(const Conversion& c, const toml::node& node, std::string* out) {
    std::string word;
    if (!c.text(node, &word)) return false;
    const char* letter = word == "installer" ? "i" : word == "application" ? "a" : word == "kavro" ? "e" : nullptr;
    if (!letter) return c.fail(node, "must be \"installer\", \"application\" or \"kavro\"");
    *out = letter;
    return true;
}

bool versionOptions(const Conversion& c, const toml::node& node, KeyTexts* out) {
    const toml::array* array = c.arrayOfTables(node, "{ version = \"...\", options = [...] } tables");
    if (!array) return false;
    out->emplace_back(c.info.key, std::to_string(array->size()));
    for (size_t k = 0; k < array->size(); ++k) {
        const toml::node& line = *array->get(k);
        const toml::table& table = *line.as_table();
        if (!onlyKnownKeys(c.ctx, table, c.where + " entry", {"version", "options"})) return false;
        const toml::node* version = table.get("version");
        const toml::node* options = table.get("options");
        if (!version || !options) return c.fail(line, "entry needs version and options");
        std::string prefix, text;
        if (!c.text(*version, &prefix, "version must be a text such as \"1.8\"") || !arguments(c, *options, &text))
            return false;
        out->emplace_back(c.info.key + 1 + 2 * static_cast<int32_t>(k), prefix);
        out->emplace_back(c.info.key + 2 + 2 * static_cast<int32_t>(k), text);
    }
    return true;
}

bool convert(const Conversion& c, const toml::node& node, KeyTexts* out) {
    std::string text;
    int64_t number = 0;
    bool ok = false;
    switch (c.info.type) {
        case SettingType::Flag:
            if (!node.is_boolean()) return c.fail(node, "must be true or false");
            text = node.as_boolean()->get() ? "1" : "0";
            ok = true;
            break;
        case SettingType::Integer:
            ok = c.integer(node, INT32_MIN, INT32_MAX, &number);
            text = std::to_string(number);
            break;
        case SettingType::Text: ok = c.text(node, &text); break;
        case SettingType::Version:
            // 1.10 written as a number would arrive as 1.1.
            ok = c.text(node, &text, "must be a text such as \"1.8\", in quotes");
            break;
        case SettingType::Arguments: ok = arguments(c, node, &text); break;
        case SettingType::PathList: ok = joined(c, node, false, &text); break;
        case SettingType::FileNames: ok = joined(c, node, true, &text); break;
        case SettingType::JavaSearch: ok = entryList(c, node, "search entries", kSearchKinds, &text); break;
        case SettingType::ClassPath: ok = entryList(c, node, "class path entries", kClassPathKinds, &text); break;
        case SettingType::Colour: ok = colour(c, node, &text); break;
        case SettingType::Flavour: ok = flavour(c, node, &text); break;
        case SettingType::VersionOptions: return versionOptions(c, node, out);
    }
    if (ok) out->emplace_back(c.info.key, text);
    return ok;
}

}  // namespace

bool readNamedSetting(const ProjectContext& ctx, const toml::key& key, const toml::node& value,
                      const StoreSetting& store) {
    const std::string name(key.str());
    const SettingInfo* info = settingByName(name);
    if (!info)
        return ctx.fail(key.source(), "[settings] has no setting " + quoted(name) + "; did you mean " +
                                          quoted(closestSettingName(name)) + "?");
    KeyTexts texts;
    if (!convert(Conversion{ctx, *info, "[settings] " + name}, value, &texts)) return false;
    for (const auto& [id, text] : texts)
        if (!store(id, name, key.source(), value, text)) return false;
    return true;
}
