// Writing the setup file so that a failed or interrupted build leaves no
// output behind: a temporary file beside the target, renamed at the end.
#pragma once
#include <string>
#include <vector>

#include "builder/payload_writer.h"

// Writes the parts one after the other. False with the reason; inputError
// tells a problem of the target path (missing directory, no permission)
// from a failure while writing.
bool writeFileAtomically(const std::string& path, const std::vector<const payload_writer::Bytes*>& parts,
                         std::string* error, bool* inputError);
