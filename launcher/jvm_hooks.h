// The hooks through which the JVM ends the process or prints: left to itself,
// a JVM that fails while it is being created (a heap it cannot reserve, a
// damaged runtime) prints to the C runtime's standard error and ends the
// process with exit code 1, past the launcher's log, message and clean-up.
#pragma once
#include <jni.h>

#include <vector>

// Appends the "exit", "abort" and "vfprintf" option records.
void appendJvmHooks(std::vector<JavaVMOption>& options);

// From now on an exit of the JVM is the application's own end (System.exit)
// and runs as the JVM wants it.
void jvmCreationDone();
