// Launcher variable expansion in both character widths. The string is worked
// on in a growing copy and cut back to the caller's capacity after every
// replacement, so no expansion ever writes past the caller's buffer.
#include "jvm/expand.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "jvm/jvm_state.h"
#include "launcher/base/code_page.h"
#include "launcher/base/letter_case.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/temp_dir.h"
#include "launcher/state.h"
#include "launcher/temp_files.h"

namespace {

enum class Source { ExeDir, TempDir, Separator, JvmHome, TempBase };

struct Placeholder {
    const char* token;
    Source source;
};

// The order matters: a value inserted by one placeholder is subject to the
// placeholders after it, never to those before it.
const Placeholder kPlaceholders[] = {
    {"%KAVRO_EXEDIR%", Source::ExeDir},
    {"%TOLVANRIX_EXEDIR%", Source::ExeDir},
    {"%KAVRO_TEMPDIR%", Source::TempDir},
    {"%TOLVANRIX_TEMPDIR%", Source::TempDir},
    {"%KAVRO_PATHLIST_SEPARATOR%", Source::Separator},
    {"%TOLVANRIX_PATHLIST_SEPARATOR%", Source::Separator},
    {"%KAVRO_JVM_HOME%", Source::JvmHome},
    {"%TOLVANRIX_JVM_HOME%", Source::JvmHome},
    {"${KAVRO_EXEDIR}", Source::ExeDir},
    {"${TOLVANRIX_EXEDIR}", Source::ExeDir},
    {"${KAVRO_TEMPDIR}", Source::TempDir},
    {"${TOLVANRIX_TEMPDIR}", Source::TempDir},
    {"${KAVRO_PATHLIST_SEPARATOR}", Source::Separator},
    {"${TOLVANRIX_PATHLIST_SEPARATOR}", Source::Separator},
    {"${KAVRO_JVM_HOME}", Source::JvmHome},
    {"${TOLVANRIX_JVM_HOME}", Source::JvmHome},
    {"${launcher:sys.launcherDirectory}", Source::ExeDir},
    {"${launcher:sys.launcherTempDirectory}", Source::TempDir},
    {"${launcher:sys.pathlistSeparator}", Source::Separator},
    {"${launcher:sys.jvmHome}", Source::JvmHome},
    {"${launcher:sys.tempDir}", Source::TempBase},
};

// One value to insert: the UTF-16 form inserts wide text; narrow is set when
// that text was widened from an 8-bit value (it is then logged as such).
struct Value {
    std::wstring wide;
    std::string narrow;
    bool fromNarrow = false;
};

Value narrowValue(const std::string& text) { return Value{widenFileCodePage(text), text, true}; }

std::string tempBase8() {
    char dir[kPathCapacity];
    chooseTempDir8(dir, sizeof(dir));
    return dir;
}

std::string narrowSource(Source source) {
    switch (source) {
        case Source::ExeDir: return exeDir8();
        case Source::TempDir: return g_launcher.extractionDir;
        case Source::Separator: return ";";
        case Source::JvmHome: return g_jvm.home;
        case Source::TempBase: return tempBase8();
    }
    return "";
}

Value wideSource(Source source, bool eightBitSafe) {
    if (eightBitSafe || (source != Source::ExeDir && source != Source::TempBase)) {
        if (source == Source::ExeDir) return Value{exeDirWidened(), exeDir8(), true};
        return narrowValue(narrowSource(source));
    }
    if (source == Source::ExeDir) return Value{exeDirWide(), "", false};
    wchar_t dir[kPathCapacity];
    findTempDirWide(dir, kPathCapacity);
    return Value{dir, "", false};
}

void logReplacement(const std::string& token, const std::string& value, const std::string& text) {
    logMessage(L"expanding2 %S to %S in %S.", token.c_str(), value.c_str(), text.c_str());
}

void logReplacement(const std::wstring& token, const Value& value, const std::wstring& text) {
    if (value.fromNarrow) logMessage(L"expanding2 %s to %S in %s.", token.c_str(), value.narrow.c_str(), text.c_str());
    else logMessage(L"expanding2 %s to %s in %s.", token.c_str(), value.wide.c_str(), text.c_str());
}

const std::string& insertedText(const std::string& value) { return value; }
const std::wstring& insertedText(const Value& value) { return value.wide; }

// Replaces every occurrence; the search resumes behind the inserted value, so
// a value holding the token itself is not expanded again.
template <typename String, typename V>
void replaceAll(String& text, const String& token, const V& value, size_t capacity) {
    const String& inserted = insertedText(value);
    size_t at = text.find(token);
    while (at != String::npos) {
        text.replace(at, token.size(), inserted);
        if (text.size() > capacity - 1) text.resize(capacity - 1);
        logReplacement(token, value, text);
        at = text.find(token, at + inserted.size());
    }
}

std::wstring wideToken(const char* token) {
    std::wstring wide;
    for (const char* p = token; *p; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return wide;
}

std::string upper(std::string text) {
    if (!text.empty()) toUpperCase(&text[0], text.size());
    return text;
}

std::wstring upper(std::wstring text) {
    if (!text.empty()) toUpperCase(&text[0], text.size());
    return text;
}

template <typename Char>
std::basic_string<Char> variableToken(const std::basic_string<Char>& name) {
    std::basic_string<Char> token;
    token += Char('$');
    token += Char('{');
    token += name;
    token += Char('}');
    return token;
}

// Calls visit(name, value) for every entry of an environment block. Entries
// without a name (the per-drive "=C:" entries) name no variable a string
// could mean and are passed over.
template <typename Char, typename Visit>
void forEachEnvironmentEntry(const Char* block, Visit visit) {
    if (!block) return;
    for (const Char* entry = block; *entry; entry += std::char_traits<Char>::length(entry) + 1) {
        std::basic_string<Char> line(entry);
        size_t equals = line.find(Char('='));
        if (equals == std::basic_string<Char>::npos || equals == 0) continue;
        visit(line.substr(0, equals), line.substr(equals + 1));
    }
}

// "${NAME}", then the token upper-cased (unless that is the same token, which
// would expand a value holding its own token a second time).
template <typename String, typename V>
void replaceVariable(String& text, const String& name, const V& value, size_t capacity) {
    String token = variableToken(name);
    replaceAll(text, token, value, capacity);
    String upperToken = upper(token);
    if (upperToken != token) replaceAll(text, upperToken, value, capacity);
}

template <typename Char>
std::basic_string<Char> boundedCopy(const Char* text, size_t capacity) {
    size_t n = 0;
    while (n + 1 < capacity && text[n]) ++n;
    return std::basic_string<Char>(text, n);
}

template <typename Char>
void copyBack(const std::basic_string<Char>& result, Char* text, size_t capacity) {
    size_t n = result.size() < capacity ? result.size() : capacity - 1;
    result.copy(text, n);
    text[n] = Char(0);
}

}  // namespace

void expandVariables(wchar_t* text, size_t capacity, ExpansionForm form) {
    if (!text || capacity == 0) return;
    std::wstring result = boundedCopy(text, capacity);
    for (const Placeholder& placeholder : kPlaceholders) {
        std::wstring token = wideToken(placeholder.token);
        if (result.find(token) == std::wstring::npos) continue;
        replaceAll(result, token, wideSource(placeholder.source, form == kEightBitSafe), capacity);
    }
    wchar_t* block = GetEnvironmentStringsW();
    forEachEnvironmentEntry(block, [&](const std::wstring& name, const std::wstring& value) {
        replaceVariable(result, name, Value{value, "", false}, capacity);
    });
    if (block) FreeEnvironmentStringsW(block);
    copyBack(result, text, capacity);
}

void expandVariablesAnsi(char* text, size_t capacity) {
    if (!text || capacity == 0) return;
    std::string result = boundedCopy(text, capacity);
    for (const Placeholder& placeholder : kPlaceholders) {
        std::string token = placeholder.token;
        if (result.find(token) == std::string::npos) continue;
        replaceAll(result, token, narrowSource(placeholder.source), capacity);
    }
    char* block = GetEnvironmentStrings();
    forEachEnvironmentEntry(block, [&](const std::string& name, const std::string& value) {
        replaceVariable(result, name, value, capacity);
    });
    if (block) FreeEnvironmentStringsA(block);
    copyBack(result, text, capacity);
}
