// What inspect prints: a readable report, or JSON for scripts and tests.
#pragma once
#include <string>

#include "builder/payload_reader.h"

// Narrow texts (settings, language codes, record names) are decoded from
// codePage; wide texts from UTF-16LE.
std::string inspectionText(const Inspection& in, int codePage);
std::string inspectionJson(const Inspection& in, int codePage);
