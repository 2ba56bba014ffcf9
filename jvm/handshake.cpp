// The launcher's side of the handshake with the Java runtime.
#include "jvm/handshake.h"

#include <windows.h>
#include <jni.h>

#include <cstdio>

#include "jvm/jvm_state.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/paths.h"
#include "launcher/base/proc_address.h"
#include "launcher/errors.h"
#include "payload/config.h"

namespace {

constexpr char kCommonClass[] = "com/tolvanrix/runtime/installer/platform/win32/Common";
constexpr char kWinDelClass[] = "com/kavro/runtime/util/WinDel";
constexpr char kFirstRunClass[] = "com/tolvanrix/runtime/launcher/FirstRun";

typedef void (*ReportFunction)(const wchar_t* format, ...);
typedef unsigned char(__cdecl* RegisterNativesFunction)(JNIEnv* env, HMODULE module, ReportFunction report);

// A failed lookup leaves a NoClassDefFoundError or NoSuchMethodError pending,
// which must not reach the next JNI call.
template <typename T>
T cleared(JNIEnv* env, T result) {
    if (!result) env->ExceptionClear();
    return result;
}

// The installation directory (key 10003, relative to the executable) and
// "\.tolvanrix\firstrun" below it.
bool firstRunMarker(char* out, size_t capacity) {
    char configured[kVersionCapacity];
    getConfigString(kKeyInstallationDir, configured, sizeof(configured));
    char directory[kPathCapacity];
    if (!fullPath(configured, kKeepCase, directory, sizeof(directory))) return false;
    int n = std::snprintf(out, capacity, "%s\\.tolvanrix\\firstrun", directory);
    if (n < 0 || static_cast<size_t>(n) >= capacity) return false;
    collapseBackslashes(out);
    return true;
}

}  // namespace

bool installerFlavour() {
    char flavour[2];
    getConfigString(kKeyFlavour, flavour, sizeof(flavour));
    return flavour[0] == 'i';
}

bool callInitFromLauncher(NativesNews news) {
    JNIEnv* env = g_jvm.env;
    jclass common = cleared(env, env->FindClass(kCommonClass));
    if (!common) {
        logError(L"did not find %S", kCommonClass);
        return false;
    }
    jmethodID init = cleared(env, env->GetStaticMethodID(common, "initFromLauncher", "(Z)V"));
    if (!init) {
        logError(L"did not find initMethod");
        env->DeleteLocalRef(common);
        return false;
    }
    env->CallStaticVoidMethod(common, init, news == kNativesComing ? JNI_TRUE : JNI_FALSE);
    checkJavaException(env, kLogAndDescribe);
    env->DeleteLocalRef(common);
    return true;
}

void bindRuntimeNatives() {
    if (!installerFlavour()) return;
    logMessage(L"load helper dll");
    HMODULE self = GetModuleHandleW(nullptr);
    logMessage(L"helper dll (in-module) %p", self);
    if (!self) return;
    auto registerNatives = procAddress<RegisterNativesFunction>(self, "registerNatives");
    if (!registerNatives) {
        logError(L"did not find register natives in helper dll");
        return;
    }
    if (!callInitFromLauncher(kNativesComing)) return;
    if (!registerNatives(g_jvm.env, self, logError)) {
        logError(L"registering helper dll failed");
        callInitFromLauncher(kNativesFailed);
    }
}

void setWinDelExecutable() {
    JNIEnv* env = g_jvm.env;
    jclass winDel = cleared(env, env->FindClass(kWinDelClass));
    if (!winDel) {
        logError(L"did not find WinDel class");
        return;
    }
    jfieldID field = cleared(env, env->GetStaticFieldID(winDel, "externalExecutable", "Ljava/lang/String;"));
    if (!field) {
        logError(L"did not find WinDel field");
    } else {
        wchar_t module[kPathCapacity];
        DWORD length = GetModuleFileNameW(nullptr, module, kPathCapacity);
        if (length == 0 || length >= kPathCapacity) {
            logError(L"could not get module name for WinDel");
        } else {
            jstring path =
                cleared(env, env->NewString(reinterpret_cast<const jchar*>(module), static_cast<jsize>(length)));
            if (!path) {
                logError(L"could not create string for WinDel");
            } else {
                env->SetStaticObjectField(winDel, field, path);
                env->DeleteLocalRef(path);
            }
        }
    }
    env->DeleteLocalRef(winDel);
}

bool checkFirstRun() {
    char marker[kPathCapacity];
    if (!firstRunMarker(marker, sizeof(marker)) || !fileExists(marker)) return true;
    logMessage(L"first run marker %S", marker);
    JNIEnv* env = g_jvm.env;
    jclass firstRun = cleared(env, env->FindClass(kFirstRunClass));
    if (!firstRun) failMessageArg(kMsgInternalError, L"14");
    jmethodID check = cleared(env, env->GetStaticMethodID(firstRun, "firstRun", "()Z"));
    if (!check) failMessageArg(kMsgInternalError, L"15");
    jboolean answer = env->CallStaticBooleanMethod(firstRun, check);
    bool noException = checkJavaException(env, kLogAndDescribe);
    env->DeleteLocalRef(firstRun);
    return noException && answer;
}
