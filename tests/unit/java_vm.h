// The one Java VM of the unit test program (a process can create only one),
// from the Windows JDK fixture named by TLX_JDK_DIR; null when it cannot be had.
#pragma once
#include <jni.h>

#include <string>

// Created on first use with a 64 MB heap and the serial collector, so that a
// test can fill the heap completely, and the runtime jar of TLX_BUILD_DIR on
// its class path.
JNIEnv* testJavaEnvironment();

// A Linux directory named by the environment, as wine64 shows it ("Z:\\...").
std::string windowsPathFromEnv(const char* variable);
