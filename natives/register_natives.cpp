// registerNatives: binds the natives of the thirteen platform classes of the
// runtime to their implementations in this executable, found through the
// executable's own export table.
#include "natives/native_support.h"

#include <windows.h>
#include <jni.h>

#include <cstdio>
#include <cstring>

#include "launcher/base/wformat.h"

namespace {

typedef void (*ReportFunction)(const wchar_t* format, ...);

// One native: the names the lookups need (class path, JNI short name, export
// name) are put together from these parts when the class is bound, instead
// of standing in the table three times over; spelled out, they would make up
// a tenth of the executable.
struct Binding {
    const char* className;
    const char* method;
    const char* signature;
    unsigned char argumentBytes;  // behind the at-sign of the x86 export name
};

#define TLX_NATIVE(Class, method, signature, bytes) {#Class, #method, signature, bytes},
#define TLX_EXPORT_ONLY(Class, method, bytes)

const Binding kBindings[] = {
#include "natives/binding_table.h"
};

#undef TLX_NATIVE
#undef TLX_EXPORT_ONLY

constexpr size_t kMostMethodsOfAClass = 16;
constexpr size_t kReportCapacity = 512;
constexpr size_t kNameCapacity = 256;

#define TLX_JNI_PREFIX "Java_com_tolvanrix_runtime_installer_platform_win32_"

// x86 JNI functions are stdcall, so their export names carry the C prefix
// and the argument bytes; x64 names are the bare short name.
void formatExportName(const Binding& binding, char* out) {
#if defined(_WIN64)
    std::snprintf(out, kNameCapacity, TLX_JNI_PREFIX "%s_%s", binding.className, binding.method);
#else
    std::snprintf(out, kNameCapacity, "_" TLX_JNI_PREFIX "%s_%s@%u", binding.className, binding.method,
                  static_cast<unsigned>(binding.argumentBytes));
#endif
}

// A failed FindClass or RegisterNatives leaves an error pending in the VM; the
// launcher's next JNI call (telling Common that binding failed) must not run
// into it.
void dropPendingError(JNIEnv* env) {
    if (env->ExceptionCheck()) env->ExceptionClear();
}

// Binds the methods kBindings[first, end) of one class. The report texts are
// passed as the format itself; only the register failure carries an argument.
bool bindClass(JNIEnv* env, HMODULE module, ReportFunction report, size_t first, size_t end) {
    char classPath[kNameCapacity];
    std::snprintf(classPath, sizeof(classPath), TLX_PLATFORM_PACKAGE "%s", kBindings[first].className);
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
        char exportName[kNameCapacity];
        formatExportName(kBindings[i], exportName);
        FARPROC function = GetProcAddress(module, exportName);
        if (!function) {
            formatWide(text, kReportCapacity, L"did not find " TLX_JNI_PREFIX "%S_%S", kBindings[i].className,
                       kBindings[i].method);
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
        while (end < total && std::strcmp(kBindings[end].className, kBindings[first].className) == 0) ++end;
        if (!bindClass(env, module, report, first, end)) return 0;
        first = end;
    }
    return 1;
}
