// The launch: creating the JVM with the assembled options, the handshake,
// the call of the entry class's main method, and the VM's destruction.
#include "jvm/JavaVMLauncher.h"

#include <jni.h>

#include <cstdio>
#include <string>
#include <vector>

#include "jvm/handshake.h"
#include "jvm/jvm_state.h"
#include "jvm/launch_arguments.h"
#include "jvm/splash.h"
#include "jvm/vm_options.h"
#include "launcher/base/arguments.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/errors.h"
#include "launcher/jvm_hooks.h"
#include "launcher/state.h"
#include "payload/config.h"

namespace {

constexpr char kInstallerEntryClass[] = "com/tolvanrix/runtime/launcher/WinLauncher";
constexpr char kApplicationEntryClass[] = "com/kavro/runtime/WinLauncher";

// The application runs in the directory of key 146 when one was set, the
// JVM created there so that its "user.dir" is that directory as well. What
// the options name relative to the extraction directory is full by now.
void enterApplicationDirectory() {
    if (g_launcher.workingDirectory[0] == L'\0') return;
    if (SetCurrentDirectoryW(g_launcher.workingDirectory))
        logMessage(L"application working directory %s", g_launcher.workingDirectory);
    else logError(L"could not change working directory (%d)", static_cast<int>(GetLastError()));
}

bool createJvm(const ArgumentList& arguments) {
    std::vector<std::string> properties;
    buildLauncherProperties(properties);
    std::vector<const char*> terminated;
    for (const std::string& property : properties) terminated.push_back(property.c_str());
    terminated.push_back(nullptr);
    VmInitRecord record;
    assembleVmOptions(terminated.data(), arguments, record);
    appendJvmHooks(record.options);
    record.args.options = record.options.data();
    record.args.nOptions = static_cast<jint>(record.options.size());
    enterApplicationDirectory();

    logMessage(L"Creating JVM");
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    jint result = g_jvm.createJavaVM ? g_jvm.createJavaVM(&vm, reinterpret_cast<void**>(&env), &record.args) : JNI_ERR;
    if (result != 0) return false;
    jvmCreationDone();
    g_jvm.vm = vm;
    g_jvm.env = env;
    return true;
}

// Ends the process (1010, 1011) when the entry class or its main is missing;
// false when the arguments could not be built or main threw.
bool invokeMain(const ArgumentList& commandLine) {
    JNIEnv* env = g_jvm.env;
    bool installer = installerFlavour();
    if (installer && !checkFirstRun()) {
        logMessage(L"checkFirstRun stopped further execution");
        return true;
    }
    char name[kPathCapacity];
    std::snprintf(name, sizeof(name), "%s", installer ? kInstallerEntryClass : kApplicationEntryClass);
    for (char* p = name; *p; ++p)
        if (*p == '.') *p = '/';
    logMessage(L"main class: %S", name);
    jclass entryClass = env->FindClass(name);
    if (!entryClass) {
        env->ExceptionClear();
        logError(L"could not find main class");
        failMessage(kMsgMainClassNotFound);
    }
    jmethodID main = env->GetStaticMethodID(entryClass, "main", "([Ljava/lang/String;)V");
    if (!main) {
        env->ExceptionClear();
        logError(L"could not find main method");
        failMessage(kMsgMainMethodNotFound);
    }
    ArgumentList mainArguments;
    collectMainArguments(commandLine, mainArguments);
    logMessage(L"param count: %d", mainArguments.count());
    jobjectArray array = createJavaArguments(env, mainArguments);
    if (!array) return false;
    logMessage(L"calling main");
    env->CallStaticVoidMethod(entryClass, main, array);
    logMessage(L"main returned");
    return checkJavaException(env, kLogAndDescribe);
}

}  // namespace

bool launchJava(const ArgumentList& arguments, JvmAfterMain afterMain) {
    logMessage(L"launching program");
    if (!createJvm(arguments)) {
        logError(L"could not initialize JVM");
        return false;
    }
    logMessage(L"JVM created");
    if (getConfigInt(kKeySplashEnabled) != 0 && getConfigInt(kKeySplashThroughJre) != 0) configureJavaSplash();
    bindRuntimeNatives();
    setWinDelExecutable();
    if (!invokeMain(arguments)) {
        logError(L"could not call main");
        return false;
    }
    if (afterMain == kDestroyJvm) {
        logMessage(L"dest JVM");
        g_jvm.vm->DestroyJavaVM();
    }
    logMessage(L"launch done");
    return true;
}
