// What every native shares when it hands results back to Java: strings and
// string arrays built from UTF-16 text, boxed integers, and handles carried
// as long. A JNI allocation that fails gives null; nothing here throws,
// clears or reports a Java exception. The copy of a Java string argument is
// JavaStringCopy in launcher/base/scoped.h.
#pragma once
#include <windows.h>
#include <jni.h>

#include <cstddef>
#include <cstdint>

#include "launcher/base/scoped.h"

// The package of the platform classes, in the form FindClass takes.
#define TLX_PLATFORM_PACKAGE "com/tolvanrix/runtime/installer/platform/win32/"
// The C name of the native of a platform class method. The natives are
// exported through the module-definition file made from
// natives/binding_table.h, never by dllexport, which would add a second,
// differently decorated name to the x86 export table.
#define TLX_JNI(Class, method) Java_com_tolvanrix_runtime_installer_platform_win32_##Class##_##method

// Kernel and window handles travel as long: the handle value sign-extended,
// so that the invalid handle value is -1 in either build.
inline jlong handleToJava(HANDLE handle) { return static_cast<jlong>(reinterpret_cast<intptr_t>(handle)); }
inline HANDLE handleFromJava(jlong value) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)); }

// A new Java string of the text (null text gives null).
jstring newJavaString(JNIEnv* env, const wchar_t* text);
// A String[] of count texts; a null text leaves its element null.
jobjectArray newJavaStringArray(JNIEnv* env, const wchar_t* const* texts, jsize count);
// A java.lang.Integer of the value.
jobject boxInteger(JNIEnv* env, jint value);

// Texts collected one after the other (registry names, process entries,
// environment pairs) in one growing block of memory. Running out of memory
// makes add() fail; the native then answers as for any failure, since a
// native must never end the process.
class TextList {
public:
    TextList() = default;
    TextList(const TextList&) = delete;
    TextList& operator=(const TextList&) = delete;

    bool add(const wchar_t* text, size_t length);
    bool add(const wchar_t* text);
    size_t count() const { return count_; }
    // Units in use: every text with its NUL.
    size_t units() const { return used_; }
    // The texts in the order added, each NUL-terminated, one after the other.
    const wchar_t* first() const { return block_.get(); }
    static const wchar_t* next(const wchar_t* text);

private:
    ScopedMalloc<wchar_t*> block_;
    size_t used_ = 0;
    size_t capacity_ = 0;
    size_t count_ = 0;
};

// A String[] of the texts, in their order.
jobjectArray newJavaStringArray(JNIEnv* env, const TextList& texts);

// The strings of multi-string data of `units` units: each ends at its NUL or
// at the end of the data (which need not end in NULs), and the NUL that closes
// the list is no string. False when memory ran out.
bool splitMultiString(const wchar_t* text, size_t units, TextList* strings);
