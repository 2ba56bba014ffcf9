// Java results built from native values.
#include "natives/native_support.h"

#include <cwchar>

jstring newJavaString(JNIEnv* env, const wchar_t* text) {
    if (!text) return nullptr;
    return env->NewString(reinterpret_cast<const jchar*>(text), static_cast<jsize>(std::wcslen(text)));
}

jobjectArray newJavaStringArray(JNIEnv* env, const wchar_t* const* texts, jsize count) {
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jobjectArray array = env->NewObjectArray(count, stringClass, nullptr);
    env->DeleteLocalRef(stringClass);
    if (!array) return nullptr;
    for (jsize i = 0; i < count; ++i) {
        if (!texts[i]) continue;
        jstring element = newJavaString(env, texts[i]);
        if (!element) {
            env->DeleteLocalRef(array);
            return nullptr;
        }
        env->SetObjectArrayElement(array, i, element);
        env->DeleteLocalRef(element);
    }
    return array;
}

jobject boxInteger(JNIEnv* env, jint value) {
    jclass integerClass = env->FindClass("java/lang/Integer");
    if (!integerClass) return nullptr;
    jmethodID constructor = env->GetMethodID(integerClass, "<init>", "(I)V");
    jobject boxed = constructor ? env->NewObject(integerClass, constructor, value) : nullptr;
    env->DeleteLocalRef(integerClass);
    return boxed;
}
