// What every native shares when it hands results back to Java: strings and
// string arrays built from UTF-16 text, boxed integers, and handles carried
// as long. A JNI allocation that fails gives null; nothing here throws,
// clears or reports a Java exception. The copy of a Java string argument is
// JavaStringCopy in launcher/base/scoped.h.
#pragma once
#include <jni.h>
#include <windows.h>

#include <cstdint>

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
