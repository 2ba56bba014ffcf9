// The natives of the runtime's ShellLink class (shortcut files and shell notifications).
// NOT YET BUILT: each native only gives its failure value, so that the
// registration of every platform class succeeds; see natives/README.md.
#include <jni.h>

#include "natives/native_support.h"

// boolean createWide0(String linkFile, String target, String workingDirectory, String iconFile, String arguments,
//                     boolean runAsAdministrator, String description, int showCommand)
// (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ZLjava/lang/String;I)Z
extern "C" jboolean JNICALL TLX_JNI(ShellLink, createWide0)(JNIEnv*, jclass, jstring, jstring, jstring, jstring,
                                                           jstring, jboolean, jstring, jint) {
    return JNI_FALSE;
}

// boolean changeNotify0(byte[] createdPath, byte[] updatedDirectory)  ([B[B)Z
extern "C" jboolean JNICALL TLX_JNI(ShellLink, changeNotify0)(JNIEnv*, jclass, jbyteArray, jbyteArray) {
    return JNI_FALSE;
}

// boolean initialize0()  ()Z
extern "C" jboolean JNICALL TLX_JNI(ShellLink, initialize0)(JNIEnv*, jclass) { return JNI_FALSE; }

// boolean uninitialize()  ()Z
extern "C" jboolean JNICALL TLX_JNI(ShellLink, uninitialize)(JNIEnv*, jclass) { return JNI_FALSE; }

// create0: exported with seven word-sized arguments but bound by no runtime class.
extern "C" jboolean JNICALL TLX_JNI(ShellLink, create0)(JNIEnv*, jclass, jobject, jobject, jobject, jobject, jobject,
                                                       jobject, jint) {
    return JNI_FALSE;
}
