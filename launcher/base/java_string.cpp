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
