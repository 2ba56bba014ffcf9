// The launcher stub a setup file is built from.
#pragma once
#include <string>

#include "builder/payload_writer.h"

// Reads the stub and makes sure a payload appended to it starts where the
// launcher looks: right behind the last section header's raw data, with
// nothing (symbol table, signature, an earlier payload) in between.
bool readStub(const std::string& path, payload_writer::Bytes* stub, std::string* error);
