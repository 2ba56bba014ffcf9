// Loading the chosen runtime's jvm.dll, and the launch: VM creation with the
// assembled options and the call of the Java launcher class's main method.
#pragma once
#include <windows.h>

class ArgumentList;

HMODULE loadJvmLibrary(const char* javaExe);
bool lookupCreateJavaVM(HMODULE library);
void recordChosenJre(const char* javaExe, const char* version);
// kDestroyJvm: DestroyJavaVM once main has returned, which waits for the
// remaining non-daemon threads.
enum JvmAfterMain { kKeepJvm, kDestroyJvm };
bool launchJava(const ArgumentList& arguments, JvmAfterMain afterMain);
