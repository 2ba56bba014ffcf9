// PENDING: empty entries for functions that other subsystems provide and the
// launch calls (variable expansion, the payload reader's language and
// position). Each leaves its input unchanged or reports nothing; each goes
// away when the real function arrives. None of them is an implementation.
#include <cstdint>

#include "jvm/expand.h"
#include "payload/reader.h"

void expandVariables(wchar_t*, size_t, bool) {}
void expandVariablesAnsi(char*, size_t) {}
const char* selectedLanguage() { return ""; }
const char* selectedCountry() { return ""; }
int64_t unextractedPosition() { return 0; }
