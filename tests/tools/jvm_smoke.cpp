// jvm_smoke: a test tool. Proves that a Windows Java runtime can be driven the
// way the launcher drives it: load jvm.dll, create a VM through
// JNI_CreateJavaVM, register a native on a class and call its static main.
//
//   jvm_smoke JVM_DLL CLASS_PATH [ARGS...]
//
// Loads class JvmSmoke from CLASS_PATH, binds its "static native int add(int,
// int)" to a function returning the sum, and calls main with ARGS. Exit codes:
// 0 main returned normally and the VM was destroyed; 2 usage; 3 jvm.dll not
// loadable; 4 no JNI_CreateJavaVM; 5 VM creation failed; 6 class not found;
// 7 natives not registered; 8 no main; 9 argument array not built; 10 main
// threw. Every failure is described on standard error.
#include <windows.h>
#include <jni.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/tool_args.h"

namespace {

typedef jint(JNICALL* CreateJavaVM)(JavaVM**, void**, void*);

enum ExitCode {
    kOk = 0, kUsage = 2, kNoLibrary = 3, kNoEntry = 4, kNoVm = 5, kNoClass = 6,
    kNoNatives = 7, kNoMain = 8, kNoArguments = 9, kMainThrew = 10,
};

jint JNICALL add(JNIEnv*, jclass, jint a, jint b) {
    return a + b;
}

int fail(int code, const char* message) {
    fprintf(stderr, "jvm_smoke: %s\n", message);
    fflush(stderr);
    return code;
}

// Prints a pending Java exception (through the VM's own System.err) and clears it.
bool reportException(JNIEnv* env) {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionDescribe();
    env->ExceptionClear();
    return true;
}

// VM options are 8-bit text in the system code page.
std::string ansi(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, "?", nullptr);
    std::string out(size > 0 ? size : 1, '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], size, "?", nullptr);
    out.resize(out.size() - 1);
    return out;
}

jobjectArray javaArguments(JNIEnv* env, const std::vector<std::wstring>& args, size_t first) {
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jsize count = static_cast<jsize>(args.size() - first);
    jobjectArray array = env->NewObjectArray(count, stringClass, nullptr);
    for (jsize i = 0; array && i < count; ++i) {
        const std::wstring& arg = args[first + i];
        jstring text = env->NewString(reinterpret_cast<const jchar*>(arg.c_str()), static_cast<jsize>(arg.size()));
        if (!text) return nullptr;
        env->SetObjectArrayElement(array, i, text);
        env->DeleteLocalRef(text);
    }
    return array;
}

// Everything between a created VM and its destruction.
int runMain(JNIEnv* env, const std::vector<std::wstring>& args) {
    jclass smoke = env->FindClass("JvmSmoke");
    if (!smoke) {
        reportException(env);
        return fail(kNoClass, "class JvmSmoke not found on the class path");
    }
    JNINativeMethod natives[] = {
        {const_cast<char*>("add"), const_cast<char*>("(II)I"), reinterpret_cast<void*>(add)},
    };
    if (env->RegisterNatives(smoke, natives, 1) != JNI_OK) {
        reportException(env);
        return fail(kNoNatives, "RegisterNatives for JvmSmoke.add failed");
    }
    jmethodID main = env->GetStaticMethodID(smoke, "main", "([Ljava/lang/String;)V");
    if (!main) {
        reportException(env);
        return fail(kNoMain, "JvmSmoke has no static main(String[])");
    }
    jobjectArray arguments = javaArguments(env, args, 3);
    if (!arguments) {
        reportException(env);
        return fail(kNoArguments, "building the argument array failed");
    }
    env->CallStaticVoidMethod(smoke, main, arguments);
    if (reportException(env)) return fail(kMainThrew, "JvmSmoke.main threw an exception");
    return kOk;
}

}  // namespace

int main() {
    std::vector<std::wstring> args = commandLineArgs();
    if (args.size() < 3) return fail(kUsage, "usage: jvm_smoke JVM_DLL CLASS_PATH [ARGS...]");

    // The altered search path lets jvm.dll find the runtime DLLs beside it.
    HMODULE jvm = LoadLibraryExW(args[1].c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!jvm) {
        fprintf(stderr, "jvm_smoke: cannot load %s (error %lu)\n", ansi(args[1]).c_str(), GetLastError());
        return kNoLibrary;
    }
    CreateJavaVM create = reinterpret_cast<CreateJavaVM>(
        reinterpret_cast<void (*)()>(GetProcAddress(jvm, "JNI_CreateJavaVM")));
    if (!create) return fail(kNoEntry, "jvm.dll exports no JNI_CreateJavaVM");

    std::string classPath = "-Djava.class.path=" + ansi(args[2]);
    JavaVMOption options[] = {{&classPath[0], nullptr}};
    JavaVMInitArgs init;
    init.version = JNI_VERSION_1_2;
    init.nOptions = 1;
    init.options = options;
    init.ignoreUnrecognized = JNI_TRUE;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    jint created = create(&vm, reinterpret_cast<void**>(&env), &init);
    if (created != JNI_OK || !vm || !env) {
        fprintf(stderr, "jvm_smoke: JNI_CreateJavaVM failed (%ld)\n", static_cast<long>(created));
        return kNoVm;
    }

    int code = runMain(env, args);
    // Waits for the VM's other non-daemon threads and flushes System.out.
    vm->DestroyJavaVM();
    return code;
}
