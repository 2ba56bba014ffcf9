// PENDING: empty entries for the launcher variable expansion, which the launch
// calls; each leaves its input unchanged and goes away when the real
// expansion arrives. Neither is an implementation.
#include "jvm/expand.h"

void expandVariables(wchar_t*, size_t, bool) {}
void expandVariablesAnsi(char*, size_t) {}
