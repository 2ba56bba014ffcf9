// The named settings. Each row is what a project author needs to know about
// one configuration key; the reference command prints this table as the
// documentation, so the rows are written for people who ship installers.
#include "builder/settings_table.h"

#include <iterator>

#include "builder/edit_distance.h"

namespace {

using T = SettingType;
using namespace setting_key;

constexpr int kPath = 6000;   // the launcher's buffer for paths and settings
constexpr int kShort = 2000;  // program arguments, installation directory, splash texts

// One row per setting, laid out by hand: name, key, type and default first.
// clang-format off
const SettingInfo kSettings[] = {
    // The application and its Java runtime
    {"flavour", 2001, T::Flavour, "application",
     "\"installer\" for an installer: the launcher then binds its native functions for the installer runtime, runs "
     "the first-run check and starts the installer entry class. \"application\" starts the application entry class "
     "only; \"kavro\" does the same under the product name kavro.", 2},
    {"main_class", 122, T::Text, "none",
     "The application's main class in dotted form (com.example.Setup), handed to the entry class of the runtime.",
     kPath},
    {"arguments", 124, T::Arguments, "none",
     "Program arguments put in front of those given on the command line. Launcher variables are expanded.", kShort},
    {"vm_options", 123, T::Arguments, "none",
     "Options for the Java VM (-Xmx512m, -Dname=value, -classpath/a extra.jar, -include-options file). Launcher "
     "variables are expanded.", kPath},
    {"version_vm_options", kVersionLineCount, T::VersionOptions, "none",
     "Extra VM options for particular Java versions: the first entry whose version is a prefix of the runtime's "
     "version (\"1.8\" matches 1.8.0_45; \"\" matches every version) adds its options.", kPath},
    {"command_line_vm_options", 125, T::Flag, "false",
     "Command-line arguments that begin with -J are VM options (-J-Xmx1g gives -Xmx1g) instead of program "
     "arguments.", kPath},
    {"class_path", kClassPath, T::ClassPath, "only the extracted files",
     "Further class path entries; a required entry that is missing stops the launch with message 1006 (1008 for a "
     "variable).", kPath},
    {"min_java_version", kMinJavaVersion, T::Version, "any version", "The oldest Java version the installer accepts.",
     kPath},
    {"max_java_version", kMaxJavaVersion, T::Version, "any version", "The newest Java version the installer accepts.",
     kPath},
    {"java_search", 128, T::JavaSearch, "only the fixed places",
     "Where to look for an installed Java runtime, in order, besides the fixed places (the preferred and installer "
     "location files, previous installations, KAVRO_JAVA_HOME and TOLVANRIX_JAVA_HOME).", kPath},
    {"allow_prerelease_java", 130, T::Flag, "false",
     "Java runtimes whose version contains \"beta\", \"ea\" or \"rc\" are acceptable.", kPath},
    {"require_jdk", 131, T::Flag, "false", "Only a JDK (with lib\\tools.jar) is acceptable, not a plain runtime.",
     kPath},
    {"own_jres_only", 165, T::Flag, "false",
     "The registry search skips the system-wide Java registrations and accepts only runtimes that earlier "
     "installers placed in the launcher's own runtime store (tlx_jres).", kPath},
    {"installations_value", 160, T::Text, "that search is skipped",
     "Name of the registry value under SOFTWARE\\morvane\\tolvanrix\\installations that lists the directories of "
     "previous installations, whose runtimes are tried.", kPath},
    {"installation_dir", 10003, T::Text, "none",
     "The installation directory relative to the setup file (\".\" for its own directory): where the first-run "
     "marker and the saved runtime locations (.tolvanrix\\pref_jre.cfg, inst_jre.cfg) are looked for.", kShort},
    {"jvm_subdirectory", 152, T::Text, "hotspot, client, server, classic, jrockit",
     "Subdirectory of the runtime's bin directory tried first for jvm.dll, before the usual ones.", 200},
    // A runtime inside the setup file, or downloaded
    {"prefer_installed_jre", 161, T::Flag, "false",
     "With a jre.tar.gz among the files: use an installed runtime when one is found and unpack the included one "
     "only otherwise.", kPath},
    {"jre_archive_size", kJreArchiveSize, T::Integer, "computed from jre.tar.gz",
     "Uncompressed size in bytes of jre.tar.gz, the scale of its progress bar. Computed by the builder when a "
     "jre.tar.gz is among the files.", kPath},
    {"jre_packed", 153, T::Flag, "false",
     "The included runtime's jars are pack200-compressed (*.jar.pack) and are restored with its unpack200.exe.",
     kPath},
    {"download_url", kDownloadUrl, T::Text, "no download is offered",
     "Address of a jre.tar.gz to download when no suitable Java runtime is found.", kPath},
    {"download_without_asking", 157, T::Flag, "false",
     "When no runtime is found, download one at once instead of asking. Without it a quiet run (-q) ends with exit "
     "code 83.", kPath},
    {"download_sha256", 170, T::Text, "any complete download is taken",
     "SHA-256 of the archive at download_url, as 64 hexadecimal digits. A download with another digest is a failed "
     "attempt and is deleted; after three the launcher ends with message 20003. Set it whenever the address is not "
     "under your own control, and always for http: addresses.", 128},
    // How the launch looks
    {"launcher_kind", 107, T::Integer, "5, written by the builder (0 with defaults = false)",
     "1: a windowed installer: errors appear in message boxes, the entry class is told it runs with a window and "
     "javaw.exe must sit beside java.exe. 5: errors in message boxes only. Any other value: errors go to standard "
     "error.", kPath},
    {"no_progress_dialog", 155, T::Flag, "false",
     "Start without the progress dialog; it appears only when a Java runtime must be downloaded or located.", kPath},
    {"no_window_timeout", kNoWindowTimeout, T::Flag, "false",
     "Wait for the installer's window without the time limit of about four minutes (message 20014).", kPath},
    {"working_directory", 146, T::Text, "unchanged",
     "Working directory of the launch, relative to the setup file's directory. Launcher variables are expanded.",
     kPath},
    {"native_library_dirs", 10004, T::PathList, "none",
     "Directories of native libraries for the Java code, put in front of PATH and added to the DLL search. "
     "Launcher variables are expanded.", kPath},
    {"default_vmoptions_file", 166, T::Flag, "false",
     "Read VM options from the .vmoptions file beside the setup file (setup.vmoptions or setup.exe.vmoptions).", kPath},
    {"redirect_stderr", 102, T::Flag, "false", "Hand stderr_file to the runtime, which sends standard error there.",
     kPath},
    {"stderr_file", 103, T::Text, "none",
     "File for the Java code's standard error; used with redirect_stderr. A relative name is taken relative to the "
     "setup file; a name that begins with $ is passed on as it is.", kPath},
    {"redirect_stdout", 104, T::Flag, "false", "Hand stdout_file to the runtime, which sends standard output there.",
     kPath},
    {"stdout_file", 105, T::Text, "none", "File for the Java code's standard output, with the rules of stderr_file.",
     kPath},
    {"append_output", 106, T::Flag, "false", "The runtime appends to stderr_file and stdout_file.", kPath},
    // One installer at a time
    {"single_instance", 10005, T::Flag, "false",
     "Only one copy of this setup file runs at a time; a second start ends at once.", kPath},
    {"single_instance_global", 158, T::Flag, "false",
     "The single-instance check spans all sessions of the machine (Global\\ namespace), not just the user's.", kPath},
    {"activate_running_instance", 10007, T::Flag, "false",
     "With single_instance: a second start brings the running copy's windows to the front.", kPath},
    // Splash screen
    {"splash_screen", 108, T::Flag, "false", "Show a splash screen while the installer starts.", kPath},
    {"splash_through_jre", 10123, T::Flag, "false",
     "Show the splash through the Java runtime's splash library and hand the text lines below to the Java side.",
     kPath},
    {"splash_java_option", 163, T::Flag, "false", "Second argument of the Java side's splash configuration.", kPath},
    {"splash_line1_text", 10111, T::Text, "none", "First text line of the splash screen.", kShort},
    {"splash_line1_x", 10109, T::Integer, "0", "Its x position.", kPath},
    {"splash_line1_y", 10110, T::Integer, "0", "Its y position.", kPath},
    {"splash_line1_font_size", 10113, T::Integer, "0", "Its font size.", kPath},
    {"splash_line1_colour", 10114, T::Colour, "none", "Its colour.", kShort},
    {"splash_line1_font_weight", 10115, T::Integer, "0", "Its font weight (400 normal, 700 bold).", kPath},
    {"splash_line2_text", 10118, T::Text, "none", "Second text line of the splash screen.", kShort},
    {"splash_line2_x", 10116, T::Integer, "0", "Its x position.", kPath},
    {"splash_line2_y", 10117, T::Integer, "0", "Its y position.", kPath},
    {"splash_line2_font_size", 10120, T::Integer, "0", "Its font size.", kPath},
    {"splash_line2_colour", 10121, T::Colour, "none", "Its colour.", kShort},
    {"splash_line2_font_weight", 10122, T::Integer, "0", "Its font weight.", kPath},
    // Written by the builder from [[file]]
    {"file_count", 2002, T::Integer, "from [[file]]",
     "Number of files the launcher extracts. Written from the [[file]] list; a smaller count keeps the last records "
     "in the setup file for the installer to read itself.", kPath},
    {"file_names", 2003, T::FileNames, "from [[file]]", "Names of the files in record order. Written from the [[file]] list.",
     kPath},
};
// clang-format on

}  // namespace

const SettingInfo* settingsBegin() { return std::begin(kSettings); }
const SettingInfo* settingsEnd() { return std::end(kSettings); }

const SettingInfo* settingByName(const std::string& name) {
    for (const SettingInfo& s : kSettings)
        if (name == s.name) return &s;
    return nullptr;
}

std::string closestSettingName(const std::string& name) {
    const SettingInfo* best = nullptr;
    size_t bestDistance = 0;
    for (const SettingInfo& s : kSettings) {
        size_t d = editDistance(name, s.name);
        if (!best || d < bestDistance) best = &s, bestDistance = d;
    }
    return best->name;
}

const SettingInfo* settingByKey(int32_t key) {
    for (const SettingInfo& s : kSettings)
        if (s.key == key || (s.type == SettingType::VersionOptions && key > s.key)) return &s;
    return nullptr;
}

std::string settingLabel(int32_t key) {
    const SettingInfo* s = settingByKey(key);
    if (!s) return std::string();
    if (key == s->key) return s->name;
    int32_t line = (key - s->key - 1) / 2;
    return std::string(s->name) + " #" + std::to_string(line + 1) + ((key - s->key) % 2 ? " version" : " options");
}

const char* settingTypeText(SettingType type) {
    switch (type) {
        case SettingType::Flag: return "true or false";
        case SettingType::Integer: return "integer";
        case SettingType::Text: return "text";
        case SettingType::Version: return "text: \"1.8\", \"11\"";
        case SettingType::Arguments: return "array of texts (or one text as the launcher splits it)";
        case SettingType::PathList: return "array of texts (or one text, \";\" between them)";
        case SettingType::FileNames: return "array of texts";
        case SettingType::JavaSearch:
            return "array of { registry = true }, { env = \"NAME\" }, { dir = \"...\" } (with fallback = true: also "
                   "taken without a version check), { system_path = true }";
        case SettingType::ClassPath:
            return "array of { archive = \"a.jar\" }, { dir = \"classes\" }, { env = \"NAME\" }, "
                   "{ archives_in = \"lib\" } (every .jar, then every .zip), each with required = true or false "
                   "(the default)";
        case SettingType::Colour: return "[red, green, blue] (0 to 255)";
        case SettingType::Flavour: return "\"installer\", \"application\" or \"kavro\"";
        case SettingType::VersionOptions: return "array of { version = \"1.8\", options = [...] }";
    }
    return "";
}
