// The natives of the runtime's Win32Services class (Windows services).
// NOT YET BUILT: each native only gives its failure value, so that the
// registration of every platform class succeeds; see natives/README.md.
#include <jni.h>

#include "natives/native_support.h"

namespace {
// The code for "the service control manager cannot be opened".
constexpr jint kServiceManagerFailure = 5000;
}

// int installService0(String name, String displayName, String binaryPath)
// (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(Win32Services, installService0)(JNIEnv*, jclass, jstring, jstring, jstring) {
    return kServiceManagerFailure;
}

// int changeServiceConfig0(String name, String displayName, String binaryPath, int serviceType, int startType,
//                          String dependencies, String account, String password, String description)
// (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IILjava/lang/String;Ljava/lang/String;
//  Ljava/lang/String;Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(Win32Services, changeServiceConfig0)(JNIEnv*, jclass, jstring, jstring, jstring, jint,
                                                                    jint, jstring, jstring, jstring, jstring) {
    return kServiceManagerFailure;
}

// int setRestartServiceConfig0(String name, boolean restart, int delayMillis)  (Ljava/lang/String;ZI)I
extern "C" jint JNICALL TLX_JNI(Win32Services, setRestartServiceConfig0)(JNIEnv*, jclass, jstring, jboolean, jint) {
    return kServiceManagerFailure;
}

// int stopService0(String name)  (Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(Win32Services, stopService0)(JNIEnv*, jclass, jstring) {
    return kServiceManagerFailure;
}

// int startService0(String name)  (Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(Win32Services, startService0)(JNIEnv*, jclass, jstring) {
    return kServiceManagerFailure;
}

// int uninstallService0(String name)  (Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(Win32Services, uninstallService0)(JNIEnv*, jclass, jstring) {
    return kServiceManagerFailure;
}

// int queryStatus0(String name)  (Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(Win32Services, queryStatus0)(JNIEnv*, jclass, jstring) {
    return kServiceManagerFailure;
}

// int getStartType0(String name)  (Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(Win32Services, getStartType0)(JNIEnv*, jclass, jstring) {
    return kServiceManagerFailure;
}

// String getServiceBinary0(String name)  (Ljava/lang/String;)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(Win32Services, getServiceBinary0)(JNIEnv* env, jclass, jstring) {
    return newJavaString(env, L" 5000");
}
