// The classes a jar (or zip) archive holds, read from its central directory.
#pragma once
#include <string>
#include <vector>

#include "builder/payload_writer.h"

// The dotted names ("com.example.Setup") of the archive's .class entries;
// false when it is not a zip archive.
bool jarClassNames(const payload_writer::Bytes& archive, std::vector<std::string>* classes);
