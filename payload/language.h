// Choosing the user's language code (Java locale style: "de", "de_CH",
// "no_NO_NY") from the Windows language identifiers.
#pragma once
#include <windows.h>

#include <cstddef>

class ArgumentList;

// Writes the code for the user's UI language (or the format locale when
// "-Dsun.locale.formatasdefault=true" is the deciding argument); "en" when
// nothing matches.
void detectUiLanguage(const ArgumentList* arguments, char* out, size_t capacity);

// Where the identifiers come from. The launcher asks the system; a test can
// supply identifiers that the system it runs on cannot produce (Wine derives
// the format locale and the UI language from the same setting).
struct LanguageSources {
    LANGID (*formatLocale)();              // the user's default locale
    bool (*uiLanguage)(LANGID* language);  // false when the system lacks the call
};
const LanguageSources& systemLanguageSources();
void detectUiLanguageFrom(const ArgumentList* arguments, const LanguageSources& sources, char* out, size_t capacity);

// The table lookup alone: exact identifier first, then its primary language.
// Returns false (and leaves out untouched) when neither is in the table.
bool languageCodeFor(LANGID identifier, char* out, size_t capacity);
