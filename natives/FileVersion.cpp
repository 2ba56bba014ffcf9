// The native of the runtime's FileVersion class.
#include "natives/native_support.h"

#include <jni.h>

#include "launcher/base/scoped.h"
#include "natives/file_version.h"

// int compare0(String file1, String file2)  (Ljava/lang/String;Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(FileVersion, compare0)(JNIEnv* env, jclass, jstring file1, jstring file2) {
    JavaStringCopy first(env, file1);
    JavaStringCopy second(env, file2);
    return compareFileVersions(first.get(), second.get());
}
