// The natives of the runtime's WinGuiHelper class: the native window handle
// of a Java window, asked from the toolkit's own peer through a method the
// runtime finds by reflection (the peer classes are not public API).
#include <jni.h>

#include <atomic>
#include <cstdlib>

#include "natives/native_support.h"

namespace {

// The handle method, converted on the first call that gives a fitting one
// and kept for the life of the process, with the class that declares it (a
// global reference). Published whole through one pointer, so a thread that
// sees it sees both.
struct HandleMethod {
    jclass peerClass;
    jmethodID id;
};
std::atomic<HandleMethod*> g_kept{nullptr};

// The method's id when it can be called as the handle method: an instance
// method taking nothing and returning long. Any other (a static one, one
// that takes arguments) called so would read what was never passed.
jmethodID handleMethodId(JNIEnv* env, jobject method, jobject owner) {
    jclass reflected = env->GetObjectClass(method);
    jmethodID nameOf = env->GetMethodID(reflected, "getName", "()Ljava/lang/String;");
    jstring name = nameOf ? static_cast<jstring>(env->CallObjectMethod(method, nameOf)) : nullptr;
    const char* utf = name ? env->GetStringUTFChars(name, nullptr) : nullptr;
    jmethodID asHandleMethod = utf ? env->GetMethodID(static_cast<jclass>(owner), utf, "()J") : nullptr;
    if (utf) env->ReleaseStringUTFChars(name, utf);
    env->ExceptionClear();  // NoSuchMethodError: not a fitting method
    jmethodID id = env->FromReflectedMethod(method);
    return id && id == asHandleMethod ? id : nullptr;
}

const HandleMethod* rememberMethod(JNIEnv* env, jobject method) {
    if (!method) return nullptr;
    jclass reflected = env->GetObjectClass(method);
    jmethodID declaring = env->GetMethodID(reflected, "getDeclaringClass", "()Ljava/lang/Class;");
    jobject owner = declaring ? env->CallObjectMethod(method, declaring) : nullptr;
    env->ExceptionClear();
    jmethodID id = owner ? handleMethodId(env, method, owner) : nullptr;
    auto* found = id ? static_cast<HandleMethod*>(std::malloc(sizeof(HandleMethod))) : nullptr;
    if (!found) return nullptr;
    *found = {static_cast<jclass>(env->NewGlobalRef(owner)), id};
    HandleMethod* kept = nullptr;
    if (found->peerClass && g_kept.compare_exchange_strong(kept, found)) return found;
    // Another thread was first (or no global reference could be had).
    if (found->peerClass) env->DeleteGlobalRef(found->peerClass);
    std::free(found);
    return kept;
}

}  // namespace

// long getHwnd0(Method method, Object target)  (Ljava/lang/reflect/Method;Ljava/lang/Object;)J
// Only a target of the method's own class is asked: the kept method called
// on anything else (a later call's other peer, a null) would bring the VM
// down. What the method throws stays here: the answer is then 0.
extern "C" jlong JNICALL TLX_JNI(WinGuiHelper, getHwnd0)(JNIEnv* env, jclass, jobject method, jobject target) {
    const HandleMethod* kept = g_kept.load();
    if (!kept) kept = rememberMethod(env, method);
    if (!kept || !target || !env->IsInstanceOf(target, kept->peerClass)) return 0;
    jlong handle = env->CallLongMethodA(target, kept->id, nullptr);
    if (!env->ExceptionCheck()) return handle;
    env->ExceptionClear();
    return 0;
}
