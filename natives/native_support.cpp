// Java results built from native values.
#include "natives/native_support.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

jstring newJavaString(JNIEnv* env, const wchar_t* text) {
    if (!text) return nullptr;
    return env->NewString(reinterpret_cast<const jchar*>(text), static_cast<jsize>(std::wcslen(text)));
}

namespace {

jobjectArray newEmptyStringArray(JNIEnv* env, jsize count) {
    jclass stringClass = env->FindClass("java/lang/String");
    if (!stringClass) return nullptr;
    jobjectArray array = env->NewObjectArray(count, stringClass, nullptr);
    env->DeleteLocalRef(stringClass);
    return array;
}

// Stores the text at index (a null text leaves the element null); false,
// with the array released, when the string cannot be made.
bool setElement(JNIEnv* env, jobjectArray array, jsize index, const wchar_t* text) {
    if (!text) return true;
    jstring element = newJavaString(env, text);
    if (!element) {
        env->DeleteLocalRef(array);
        return false;
    }
    env->SetObjectArrayElement(array, index, element);
    env->DeleteLocalRef(element);
    return true;
}

}  // namespace

jobjectArray newJavaStringArray(JNIEnv* env, const wchar_t* const* texts, jsize count) {
    jobjectArray array = newEmptyStringArray(env, count);
    for (jsize i = 0; array && i < count; ++i) {
        if (!setElement(env, array, i, texts[i])) return nullptr;
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

bool TextList::add(const wchar_t* text, size_t length) {
    size_t needed = used_ + length + 1;
    if (needed > capacity_) {
        size_t grown = capacity_ ? capacity_ * 2 : 1024;
        while (grown < needed) grown *= 2;
        wchar_t* block = static_cast<wchar_t*>(std::realloc(block_.get(), grown * sizeof(wchar_t)));
        if (!block) return false;
        block_.release();
        block_.reset(block);
        capacity_ = grown;
    }
    std::memcpy(block_.get() + used_, text, length * sizeof(wchar_t));
    block_.get()[used_ + length] = L'\0';
    used_ = needed;
    ++count_;
    return true;
}

bool TextList::add(const wchar_t* text) { return add(text, std::wcslen(text)); }

const wchar_t* TextList::next(const wchar_t* text) { return text + std::wcslen(text) + 1; }

jobjectArray newJavaStringArray(JNIEnv* env, const TextList& texts) {
    jobjectArray array = newEmptyStringArray(env, static_cast<jsize>(texts.count()));
    const wchar_t* text = texts.first();
    for (size_t i = 0; array && i < texts.count(); ++i, text = TextList::next(text)) {
        if (!setElement(env, array, static_cast<jsize>(i), text)) return nullptr;
    }
    return array;
}

bool splitMultiString(const wchar_t* text, size_t units, TextList* strings) {
    for (size_t position = 0; position < units && !(position + 1 == units && text[position] == L'\0');) {
        size_t end = position;
        while (end < units && text[end] != L'\0') ++end;
        if (!strings->add(text + position, end - position)) return false;
        position = end + 1;
    }
    return true;
}
