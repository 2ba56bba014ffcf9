// Empty entry for the pack200 restoration of a runtime directory until the
// included-runtime work (jar restoring with unpack200) takes its place; the
// JRE search already calls it for every directory it tests.
#include "jre/included_jre.h"

void unpackJreDirectory(const char*) {}
