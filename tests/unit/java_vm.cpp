// The unit tests' Java VM.
#include "java_vm.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "launcher/base/proc_address.h"

std::string windowsPathFromEnv(const char* variable) {
    const char* value = std::getenv(variable);
    std::string path = std::string("Z:") + (value ? value : "");
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

JNIEnv* testJavaEnvironment() {
    static JNIEnv* env = nullptr;
    static bool tried = false;
    if (tried) return env;
    tried = true;
    std::string bin = windowsPathFromEnv("TLX_JDK_DIR") + "\\bin";
    // jvm.dll needs the C runtime libraries that lie in bin.
    SetDllDirectoryA(bin.c_str());
    HMODULE library = LoadLibraryA((bin + "\\server\\jvm.dll").c_str());
    SetDllDirectoryA(nullptr);
    auto create = procAddress<jint(JNICALL*)(JavaVM**, void**, void*)>(library, "JNI_CreateJavaVM");
    if (!create) return nullptr;
    // The runtime's classes, for the tests of the launcher's calls into them.
    std::string classPath = "-Djava.class.path=" + windowsPathFromEnv("TLX_BUILD_DIR") + "\\java\\tlxruntime.jar";
    JavaVMOption options[] = {{const_cast<char*>("-Xrs"), nullptr},
                              {const_cast<char*>("-Xmx64m"), nullptr},
                              {const_cast<char*>("-XX:+UseSerialGC"), nullptr},
                              {&classPath[0], nullptr}};
    JavaVMInitArgs args = {};
    args.version = JNI_VERSION_1_2;
    args.nOptions = sizeof(options) / sizeof(options[0]);
    args.options = options;
    JavaVM* vm = nullptr;
    if (create(&vm, reinterpret_cast<void**>(&env), &args) != JNI_OK) env = nullptr;
    return env;
}
