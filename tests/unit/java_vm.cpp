// The unit tests' Java VM.
#include "java_vm.h"

#include <windows.h>

#include <string>

#include "launcher/base/proc_address.h"

namespace {

typedef jint(JNICALL* CreateJavaVMFunction)(JavaVM**, void**, void*);

}  // namespace

JNIEnv* testJavaEnvironment() {
    static JNIEnv* env = nullptr;
    static bool tried = false;
    if (tried) return env;
    tried = true;
    char jdk[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TLX_JDK_DIR", jdk, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::string bin = std::string("Z:") + jdk + "\\bin";
    for (char& c : bin)
        if (c == '/') c = '\\';
    // jvm.dll needs the C runtime libraries that lie in bin.
    SetDllDirectoryA(bin.c_str());
    HMODULE library = LoadLibraryA((bin + "\\server\\jvm.dll").c_str());
    SetDllDirectoryA(nullptr);
    auto create = procAddress<CreateJavaVMFunction>(library, "JNI_CreateJavaVM");
    if (!create) return nullptr;
    // The runtime's classes, for the tests of the launcher's calls into them.
    std::string classPath = "-Djava.class.path=";
    char build[MAX_PATH];
    n = GetEnvironmentVariableA("TLX_BUILD_DIR", build, MAX_PATH);
    if (n > 0 && n < MAX_PATH) classPath += std::string("Z:") + build + "\\java\\tlxruntime.jar";
    for (char& c : classPath)
        if (c == '/') c = '\\';
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
