// The JVM state: the loaded jvm.dll, its creation entry, the chosen runtime's
// home and version, and the created VM. One instance for the process.
#pragma once
#include <windows.h>
#include <jni.h>

#include "launcher/base/limits.h"

typedef jint(JNICALL* CreateJavaVMFunction)(JavaVM**, void**, void*);

struct JvmState {
    HMODULE library = nullptr;
    CreateJavaVMFunction createJavaVM = nullptr;
    char home[kPathCapacity] = "";        // java.exe's directory plus "..", e.g. C:\jre\bin\..
    char version[kVersionCapacity] = "";  // version text of the chosen runtime
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
};

extern JvmState g_jvm;
