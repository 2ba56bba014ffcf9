// registerNatives: binds the natives of the thirteen platform classes of the
// runtime to their implementations in this executable, found through the
// executable's own export table.
#include "natives/native_support.h"

#include <jni.h>
#include <windows.h>

#include <cstring>

#include "launcher/base/wformat.h"

namespace {

typedef void (*ReportFunction)(const wchar_t* format, ...);

struct Binding {
    const char* classPath;
    const char* method;
    const char* signature;
    const char* shortName;    // the JNI short name, as the reports show it
    const char* exportName;   // the name in this build's export table
};

#define TLX_SHORT_NAME(Class, method) "Java_com_tolvanrix_runtime_installer_platform_win32_" #Class "_" #method
#if defined(_WIN64)
// x64 JNI functions carry no decoration: the export name is the short name.
#define TLX_EXPORT_NAME(Class, method, bytes) TLX_SHORT_NAME(Class, method)
#else
#define TLX_EXPORT_NAME(Class, method, bytes) "_" TLX_SHORT_NAME(Class, method) "@" #bytes
#endif
#define TLX_NATIVE(Class, method, signature, bytes) \
    {TLX_PLATFORM_PACKAGE #Class, #method, signature, TLX_SHORT_NAME(Class, method), TLX_EXPORT_NAME(Class, method, bytes)},
#define TLX_EXPORT_ONLY(Class, method, bytes)

const Binding kBindings[] = {
#include "natives/binding_table.h"
};

#undef TLX_NATIVE
#undef TLX_EXPORT_ONLY

constexpr size_t kMostMethodsOfAClass = 16;
constexpr size_t kReportCapacity = 512;

// A failed FindClass or RegisterNatives leaves an error pending in the VM; the
// launcher's next JNI call (telling Common that binding failed) must not run
// into it.
void dropPendingError(JNIEnv* env) {
    if (env->ExceptionCheck()) env->ExceptionClear();
}

// Binds the methods kBindings[first, end) of one class. The report texts are
// passed as the format itself; only the register failure carries an argument.
bool bindClass(JNIEnv* env, HMODULE module, ReportFunction report, size_t first, size_t end) {
    const char* classPath = kBindings[first].classPath;
    wchar_t text[kReportCapacity];
    jclass type = env->FindClass(classPath);
    if (!type) {
        dropPendingError(env);
        formatWide(text, kReportCapacity, L"could not load class %S", classPath);
        report(text);
        return false;
    }
    JNINativeMethod methods[kMostMethodsOfAClass];
    jint count = 0;
    for (size_t i = first; i < end && count < static_cast<jint>(kMostMethodsOfAClass); ++i) {
        FARPROC function = GetProcAddress(module, kBindings[i].exportName);
        if (!function) {
            formatWide(text, kReportCapacity, L"did not find %S", kBindings[i].shortName);
            report(text);
            return false;
        }
        methods[count].name = const_cast<char*>(kBindings[i].method);
        methods[count].signature = const_cast<char*>(kBindings[i].signature);
        methods[count].fnPtr = reinterpret_cast<void*>(function);
        ++count;
    }
    jint result = env->RegisterNatives(type, methods, count);
    if (result != 0) {
        dropPendingError(env);
        formatWide(text, kReportCapacity, L"register %S failed %%d", classPath);
        report(text, result);
        return false;
    }
    return true;
}

}  // namespace

// Called once by the launcher right after the JVM was created. Classes are
// bound in table order; the first failure ends the call, and the classes
// bound before it stay bound.
extern "C" unsigned char __cdecl registerNatives(JNIEnv* env, HMODULE module, ReportFunction report) {
    constexpr size_t total = sizeof(kBindings) / sizeof(kBindings[0]);
    size_t first = 0;
    while (first < total) {
        size_t end = first + 1;
        while (end < total && std::strcmp(kBindings[end].classPath, kBindings[first].classPath) == 0) ++end;
        if (!bindClass(env, module, report, first, end)) return 0;
        first = end;
    }
    return 1;
}
