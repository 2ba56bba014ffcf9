// Language detection: which Windows identifier decides, and its table lookup.
#include "payload/language.h"

#include <cstdio>
#include <cwchar>

#include "launcher/base/arguments.h"
#include "launcher/base/log.h"
#include "launcher/base/proc_address.h"
#include "payload/language_table.h"

namespace {

constexpr wchar_t kFormatSwitch[] = L"-Dsun.locale.formatasdefault=";
constexpr wchar_t kFormatSwitchOn[] = L"-Dsun.locale.formatasdefault=true";

LANGID systemFormatLocale() { return static_cast<LANGID>(GetUserDefaultLCID() & 0xFFFF); }

// Looked up at run time: older systems lack the call.
bool systemUiLanguage(LANGID* language) {
    typedef LANGID(WINAPI * UiLanguageFunction)();
    HMODULE kernel = LoadLibraryA("Kernel32.DLL");
    auto query = procAddress<UiLanguageFunction>(kernel, "GetUserDefaultUILanguage");
    if (!query) return false;
    *language = query();
    return true;
}

// The last "-Dsun.locale.formatasdefault=" argument decides; only "true" turns it on.
bool formatsFollowLocale(const ArgumentList& arguments) {
    bool decision = false;
    const size_t prefixLength = std::wcslen(kFormatSwitch);
    for (int i = 0; i < arguments.count(); ++i) {
        const wchar_t* argument = arguments.at(i);
        if (std::wcscmp(argument, kFormatSwitchOn) == 0) decision = true;
        else if (std::wcsncmp(argument, kFormatSwitch, prefixLength) == 0) decision = false;
    }
    return decision;
}

bool copyCode(const char* code, char* out, size_t capacity) {
    if (capacity == 0) return false;
    std::snprintf(out, capacity, "%s", code);
    return true;
}

}  // namespace

const LanguageSources& systemLanguageSources() {
    static const LanguageSources sources = {systemFormatLocale, systemUiLanguage};
    return sources;
}

bool languageCodeFor(LANGID identifier, char* out, size_t capacity) {
    for (size_t i = 0; i < kLocaleTableSize; ++i)
        if (kLocaleTable[i].identifier == identifier) return copyCode(kLocaleTable[i].code, out, capacity);
    LANGID primary = identifier & 0x3FF;
    for (size_t i = 0; i < kLocaleTableSize; ++i)
        if (kLocaleTable[i].identifier == primary) return copyCode(kLocaleTable[i].code, out, capacity);
    return false;
}

void detectUiLanguageFrom(const ArgumentList* arguments, const LanguageSources& sources, char* out, size_t capacity) {
    copyCode("en", out, capacity);
    LANGID candidate = sources.formatLocale();
    bool followFormats = false;
    if (arguments && arguments->count() > 0) {
        followFormats = formatsFollowLocale(*arguments);
        logMessage(L"sun.locale.formatasdefault is %S", followFormats ? "true" : "false");
    }
    LANGID uiLanguage;
    if (!followFormats && sources.uiLanguage(&uiLanguage)) candidate = uiLanguage;
    languageCodeFor(candidate, out, capacity);
    logMessage(L"language/country is %S", out);
}

void detectUiLanguage(const ArgumentList* arguments, char* out, size_t capacity) {
    detectUiLanguageFrom(arguments, systemLanguageSources(), out, capacity);
}
