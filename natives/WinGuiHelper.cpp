// The natives of the runtime's WinGuiHelper class: the native window handle
// of a Java window, asked from the toolkit's own peer through a method the
// runtime finds by reflection (the peer classes are not public API).
#include <jni.h>

#include "natives/native_support.h"

namespace {

// The handle method, converted on the first call and kept for the life of
// the process, and the class that declares it (a global reference).
jmethodID g_handleMethod = nullptr;
jclass g_peerClass = nullptr;

bool rememberMethod(JNIEnv* env, jobject method) {
    if (!method) return false;
    jmethodID id = env->FromReflectedMethod(method);
    jclass reflected = env->GetObjectClass(method);
    jmethodID declaring = reflected ? env->GetMethodID(reflected, "getDeclaringClass", "()Ljava/lang/Class;") : nullptr;
    jobject owner = id && declaring ? env->CallObjectMethodA(method, declaring, nullptr) : nullptr;
    g_peerClass = owner ? static_cast<jclass>(env->NewGlobalRef(owner)) : nullptr;
    env->DeleteLocalRef(owner);
    env->DeleteLocalRef(reflected);
    if (!g_peerClass) return false;
    g_handleMethod = id;
    return true;
}

}  // namespace

// long getHwnd0(Method method, Object target)  (Ljava/lang/reflect/Method;Ljava/lang/Object;)J
// Only a target of the method's own class is asked: the kept method called
// on anything else (a later call's other peer, a null) would bring the VM down.
extern "C" jlong JNICALL TLX_JNI(WinGuiHelper, getHwnd0)(JNIEnv* env, jclass, jobject method, jobject target) {
    if (!g_handleMethod && !rememberMethod(env, method)) return 0;
    if (!target || !env->IsInstanceOf(target, g_peerClass)) return 0;
    return env->CallLongMethodA(target, g_handleMethod, nullptr);
}
