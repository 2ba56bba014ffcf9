/* A 32-bit jvm.dll: stands for the JVM library of a 32-bit Java runtime, which
   the 64-bit launcher finds on a machine that has both kinds but cannot load
   (this machine has no 32-bit runtime). Only its bitness matters to the tests. */
#include <windows.h>

__declspec(dllexport) long __stdcall JNI_CreateJavaVM(void** vm, void** env, void* args) {
    (void)vm;
    (void)env;
    (void)args;
    return -1;
}
