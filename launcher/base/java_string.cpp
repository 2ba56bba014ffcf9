// The copies of a Java string argument.
#include "launcher/base/code_page.h"
#include "launcher/base/scoped.h"

namespace {

wchar_t* copyJavaString(JNIEnv* env, jstring text) {
    if (!text) return nullptr;
    jsize length = env->GetStringLength(text);
    const jchar* chars = env->GetStringChars(text, nullptr);
    if (!chars) return nullptr;
    wchar_t* copy = static_cast<wchar_t*>(std::malloc((static_cast<size_t>(length) + 1) * sizeof(wchar_t)));
    if (copy) {
        jsize n = 0;
        for (; n < length && chars[n] != 0; ++n) copy[n] = static_cast<wchar_t>(chars[n]);
        copy[n] = L'\0';
    }
    env->ReleaseStringChars(text, chars);
    return copy;
}

}  // namespace

JavaStringCopy::JavaStringCopy(JNIEnv* env, jstring text) : text_(copyJavaString(env, text)) {}

JavaStringCopy8::JavaStringCopy8(JNIEnv* env, jstring text) {
    JavaStringCopy wide(env, text);
    if (wide.get()) text_.reset(newFileCodePageCopy(wide.get()));
}

JavaStringArrayCopy::JavaStringArrayCopy(JNIEnv* env, jobjectArray array) {
    jsize length = array ? env->GetArrayLength(array) : 0;
    if (length <= 0) return;
    texts_.reset(static_cast<wchar_t**>(std::calloc(static_cast<size_t>(length), sizeof(wchar_t*))));
    if (!texts_.get()) return;
    for (; count_ < length; ++count_) {
        jstring element = static_cast<jstring>(env->GetObjectArrayElement(array, count_));
        texts_.get()[count_] = copyJavaString(env, element);
        if (element) env->DeleteLocalRef(element);
    }
}

JavaStringArrayCopy::~JavaStringArrayCopy() {
    for (jsize i = 0; i < count_; ++i) std::free(texts_.get()[i]);
}

const wchar_t* JavaStringArrayCopy::at(jsize index) const {
    const wchar_t* text = index >= 0 && index < count_ ? texts_.get()[index] : nullptr;
    return text ? text : L"";
}
