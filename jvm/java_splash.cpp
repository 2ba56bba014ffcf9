// The splash text lines handed to the Java side once the VM exists.
#include <jni.h>

#include "jvm/jvm_state.h"
#include "jvm/splash.h"
#include "launcher/limits.h"
#include "launcher/log.h"
#include "payload/config.h"

namespace {

constexpr char kSplashClass[] = "com/kavro/runtime/WinLauncher";
constexpr char kSplashSignature[] =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";

jstring settingString(JNIEnv* env, int key) {
    wchar_t text[kVersionCapacity];
    getConfigStringWide(key, text, kVersionCapacity);
    jsize length = 0;
    while (text[length]) ++length;
    jstring string = env->NewString(reinterpret_cast<const jchar*>(text), length);
    if (!string) env->ExceptionClear();
    return string;
}

void release(JNIEnv* env, jstring string) {
    if (string) env->DeleteLocalRef(string);
}

}  // namespace

void configureJavaSplash() {
    JNIEnv* env = g_jvm.env;
    jclass launcher = env->FindClass(kSplashClass);
    if (!launcher) {
        env->ExceptionClear();
        logError(L"could not find main class for splash properties");
        return;
    }
    jmethodID configure = env->GetStaticMethodID(launcher, "initAwtSplashConfig", kSplashSignature);
    if (!configure) {
        env->ExceptionClear();
        logError(L"could not find method for splash properties");
        env->DeleteLocalRef(launcher);
        return;
    }
    jstring text1 = settingString(env, 10111);
    jstring colour1 = settingString(env, 10114);
    jstring text2 = settingString(env, 10118);
    jstring colour2 = settingString(env, 10121);
    env->CallStaticVoidMethod(launcher, configure, JNI_TRUE, getConfigInt(163) != 0 ? JNI_TRUE : JNI_FALSE, text1,
                              getConfigInt(10109), getConfigInt(10110), colour1, getConfigInt(10113),
                              getConfigInt(10115), text2, getConfigInt(10116), getConfigInt(10117), colour2,
                              getConfigInt(10120), getConfigInt(10122));
    if (env->ExceptionCheck()) {
        logError(L"splash properties were not accepted");
        env->ExceptionDescribe();
        env->ExceptionClear();
    }
    release(env, text1);
    release(env, colour1);
    release(env, text2);
    release(env, colour2);
    env->DeleteLocalRef(launcher);
}
