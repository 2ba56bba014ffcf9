// tlx-builder reference: the named settings and the messages as Markdown
// tables, the form builder/README.md carries them in.
#include "builder/commands.h"

#include <cstdio>
#include <string>

#include "builder/cli_args.h"
#include "builder/message_table.h"
#include "builder/report.h"
#include "builder/settings_table.h"
#include "builder/usage.h"

namespace {

// A table cell: "|" would end it early.
std::string cell(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '|' ? std::string("\\|") : std::string(1, c);
    return out;
}

std::string keyText(const SettingInfo& s) {
    if (s.type != SettingType::VersionOptions) return std::to_string(s.key);
    return std::to_string(s.key) + " (count), " + std::to_string(s.key + 1) + " + 2k, " + std::to_string(s.key + 2) +
           " + 2k";
}

std::string referenceText() {
    std::string out =
        "### Settings\n\n"
        "| Name | Key | Value | When not given | What it does |\n"
        "|---|---|---|---|---|\n";
    for (const SettingInfo* s = settingsBegin(); s != settingsEnd(); ++s)
        out += "| `" + std::string(s->name) + "` | " + keyText(*s) + " | " + cell(settingTypeText(s->type)) + " | " +
               cell(s->missing) + " | " + cell(s->meaning) + " |\n";
    out +=
        "\n### Messages\n\n"
        "| Id | Shown when | Built-in text | For an application |\n"
        "|---|---|---|---|\n";
    for (const MessageInfo* m = messagesBegin(); m != messagesEnd(); ++m) {
        const std::string application = builtInText(*m, TextFlavour::kApplication, 0);
        out += "| " + std::to_string(m->id) + " | " + cell(m->shownWhen) + " | " + cell(m->text[0]) + " | " +
               (application == m->text[0] ? std::string("the same") : cell(application)) + " |\n";
    }
    return out;
}

}  // namespace

int runReference(const std::vector<std::string>& args) {
    CommandLine cl;
    std::string error;
    if (!parseCommandLine(args, {}, {}, &cl, &error))
        return reportError(kExitBadInput, error + " (see tlx-builder reference --help)");
    if (cl.help) {
        std::fputs(kReferenceUsageText, stdout);
        return kExitOk;
    }
    if (!cl.positional.empty()) return reportError(kExitBadInput, "unexpected argument " + cl.positional[0]);
    std::string text = referenceText();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}
