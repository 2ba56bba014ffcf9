// The copies of a Java string argument, and the one rule for a U+0000 inside.
#include "launcher/base/code_page.h"
#include "launcher/base/scoped.h"

static_assert(sizeof(wchar_t) == sizeof(jchar), "Windows texts are UTF-16, as Java's are");

namespace {

// The copy in memory of our own, or null: for a null string, and for one
// that is refused (*refused set).
wchar_t* copyJavaString(JNIEnv* env, jstring text, StringUse use, size_t* length, bool* refused) {
    if (!text) return nullptr;
    jsize units = env->GetStringLength(text);
    wchar_t* copy = static_cast<wchar_t*>(std::malloc((static_cast<size_t>(units) + 1) * sizeof(wchar_t)));
    if (!copy) {
        *refused = true;
        return nullptr;
    }
    env->GetStringRegion(text, 0, units, reinterpret_cast<jchar*>(copy));
    jsize end = 0;
    while (end < units && copy[end] != L'\0') ++end;
    if (end < units && use == StringUse::kName) {
        // It may be a password.
        SecureZeroMemory(copy, static_cast<size_t>(units) * sizeof(wchar_t));
        std::free(copy);
        *refused = true;
        return nullptr;
    }
    copy[end] = L'\0';
    *length = static_cast<size_t>(end);
    return copy;
}

}  // namespace

JavaStringCopy::JavaStringCopy(JNIEnv* env, jstring text, StringUse use) {
    text_.reset(copyJavaString(env, text, use, &length_, &refused_));
}

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
        size_t units = 0;
        bool refused = false;
        texts_.get()[count_] = copyJavaString(env, element, StringUse::kShown, &units, &refused);
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
