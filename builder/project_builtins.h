// What the builder adds to a project with its defaults on: settings derived
// from the files, and built-in texts with their translations.
#pragma once
#include "builder/project_context.h"

// With the defaults on (and the settings read), the setting a record stands
// for: the size of a jre.tar.gz. False when the record cannot be what its
// name says; at is the place to name.
bool deriveFromRecord(const ProjectContext& ctx, const payload_writer::FileRecord& record, const toml::node& at);

// With the defaults on, the built-in texts and translations of the messages
// the project leaves out. Called once everything else is read.
bool addBuiltIns(const ProjectContext& ctx);
