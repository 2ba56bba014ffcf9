// The order in which the VM options are assembled, the default ".vmoptions"
// file, and the initialisation record.
#include "jvm/vm_options.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "jvm/class_path.h"
#include "jvm/expand.h"
#include "jvm/jvm_state.h"
#include "launcher/base/arguments.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/text_match.h"
#include "launcher/base/wformat.h"
#include "payload/config.h"
#include "payload/reader.h"

namespace {

constexpr wchar_t kFormatAsDefault[] = L"-Dsun.locale.formatasdefault=";

// An option string of the settings, expanded in 8-bit-safe mode and split
// like a command line.
void addOptionString(std::vector<wchar_t>& text, VmOptions& options) {
    expandVariables(text.data(), text.size(), kEightBitSafe);
    ArgumentList pieces;
    splitCommandLine(text.data(), pieces);
    addOptionList(pieces, options);
}

void addVersionSpecificOptions(VmOptions& options) {
    int lines = getConfigInt(kKeyVersionLineCount);
    if (lines <= 0) return;
    logMessage(L"check %d version specific vm option lines for %S", lines, g_jvm.version);
    if (g_jvm.version[0] == '\0') return;
    for (int k = 0; k < lines; ++k) {
        char prefix[kVersionCapacity];
        getConfigString(kKeyFirstVersionPrefix + 2 * k, prefix, sizeof(prefix));
        bool matches = std::strncmp(g_jvm.version, prefix, std::strlen(prefix)) == 0;
        logMessage(L"checking version %S %d", prefix, matches ? 1 : 0);
        if (matches) {
            std::vector<wchar_t> text(kPathCapacity);
            getConfigStringWide(kKeyFirstVersionPrefix + 2 * k + 1, text.data(), text.size());
            logMessage(L"adding specific %s", text.data());
            addOptionString(text, options);
            return;
        }
    }
}

// "-J" arguments are VM options only when the settings say so.
void addCommandLineOptions(const ArgumentList& arguments, VmOptions& options) {
    if (getConfigInt(kKeyJOptions) == 0) return;
    for (int i = 1; i < arguments.count(); ++i)
        if (startsWith(arguments.at(i), L"-J")) addOptionLine(arguments.at(i) + 2, nullptr, options);
}

void addLocaleOptions(const ArgumentList& arguments, VmOptions& options) {
    const wchar_t* last = nullptr;
    for (int i = 1; i < arguments.count(); ++i)
        if (startsWith(arguments.at(i), kFormatAsDefault)) last = arguments.at(i);
    if (!last) return;
    addOptionLine(last, nullptr, options);
    if (std::wcscmp(last + std::wcslen(kFormatAsDefault), L"true") == 0) return;
    wchar_t option[64];
    if (selectedLanguage()[0] != '\0') {
        formatWide(option, 64, L"-Duser.language=%S", selectedLanguage());
        addOptionLine(option, nullptr, options);
    }
    if (selectedCountry()[0] != '\0') {
        formatWide(option, 64, L"-Duser.country=%S", selectedCountry());
        addOptionLine(option, nullptr, options);
    }
}

// Tries "setup.vmoptions" (the ".exe" replaced), then "setup.exe.vmoptions".
FILE* openBeside(const wchar_t* exe, std::wstring& name) {
    std::wstring path = exe;
    name = path.substr(0, path.size() >= 4 ? path.size() - 4 : 0) + L".vmoptions";
    FILE* file = _wfopen(name.c_str(), L"rt");
    logMessage(L"vmoptions2: exe %s file: %s, file: %p", exe, name.c_str(), file);
    if (file) return file;
    name = path + L".vmoptions";
    file = _wfopen(name.c_str(), L"rt");
    logMessage(L"vmoptions: opts2: %s, file: %p", name.c_str(), file);
    return file;
}

void logFinalOptions(const std::vector<std::string>& options) {
    logMessage(L"vmoption count %d", static_cast<int>(options.size()));
    for (size_t i = 0; i < options.size(); ++i) logMessage(L"vmoption %d: %S", static_cast<int>(i), options[i].c_str());
}

void fillRecord(std::vector<std::string>& options, VmInitRecord& record) {
    record.strings.swap(options);
    record.options.assign(record.strings.size(), JavaVMOption{});
    for (size_t i = 0; i < record.strings.size(); ++i) {
        record.options[i].optionString = const_cast<char*>(record.strings[i].c_str());
        record.options[i].extraInfo = nullptr;
    }
    record.args.version = JNI_VERSION_1_2;
    record.args.nOptions = static_cast<jint>(record.options.size());
    record.args.options = record.options.empty() ? nullptr : record.options.data();
    record.args.ignoreUnrecognized = JNI_TRUE;
}

}  // namespace

void readDefaultVmOptionsFile(VmOptions& options) {
    std::wstring name;
    FILE* file = openBeside(exePathWide(), name);
    if (!file) {
        wchar_t module[kPathCapacity];
        DWORD n = GetModuleFileNameW(nullptr, module, kPathCapacity);
        if (n > 0 && n < kPathCapacity) file = openBeside(module, name);
    }
    logMessage(L"default vmoptions file: %p", file);
    if (!file) return;
    // Without a source path: its includes are relative to the executable.
    readTrackedOptionsFile(file, name.c_str(), nullptr, options);
}

void assembleVmOptions(const char* const* launcherProperties, const ArgumentList& arguments, VmInitRecord& record) {
    VmOptions options;
    for (const char* const* property = launcherProperties; property && *property; ++property)
        options.options.push_back(*property);
    std::vector<wchar_t> configured(kPathCapacity);
    getConfigStringWide(kKeyVmOptions, configured.data(), configured.size());
    logMessage(L"adding options");
    addOptionString(configured, options);
    addVersionSpecificOptions(options);
    addCommandLineOptions(arguments, options);
    addLocaleOptions(arguments, options);
    if (getConfigInt(kKeyDefaultVmOptionsFile) != 0) readDefaultVmOptionsFile(options);
    options.options.push_back(classPathOption(options));
    logFinalOptions(options.options);
    fillRecord(options.options, record);
}
