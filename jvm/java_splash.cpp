// The splash text lines handed to the Java side once the VM exists.
#include "jvm/splash.h"

#include <jni.h>

#include "jvm/jvm_state.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
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
    jstring text1 = settingString(env, kKeySplashLine1Text);
    jstring colour1 = settingString(env, kKeySplashLine1Colour);
    jstring text2 = settingString(env, kKeySplashLine2Text);
    jstring colour2 = settingString(env, kKeySplashLine2Colour);
    jboolean flag = getConfigInt(kKeySplashJavaFlag) != 0 ? JNI_TRUE : JNI_FALSE;
    env->CallStaticVoidMethod(launcher, configure, JNI_TRUE, flag, text1, getConfigInt(kKeySplashLine1X),
                              getConfigInt(kKeySplashLine1Y), colour1, getConfigInt(kKeySplashLine1FontSize),
                              getConfigInt(kKeySplashLine1Weight), text2, getConfigInt(kKeySplashLine2X),
                              getConfigInt(kKeySplashLine2Y), colour2, getConfigInt(kKeySplashLine2FontSize),
                              getConfigInt(kKeySplashLine2Weight));
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
