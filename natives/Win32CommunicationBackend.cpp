// The natives of the runtime's Win32CommunicationBackend class (named pipes between two runtime processes).
// NOT YET BUILT: each native only gives its failure value, so that the
// registration of every platform class succeeds; see natives/README.md.
#include <jni.h>

#include "natives/native_support.h"

namespace {
constexpr jlong kInvalidHandle = -1;
}

// long getInvalidHandle0()  ()J
extern "C" jlong JNICALL TLX_JNI(Win32CommunicationBackend, getInvalidHandle0)(JNIEnv*, jclass) {
    return kInvalidHandle;
}

// long createListener0(String pipeName)  (Ljava/lang/String;)J
extern "C" jlong JNICALL TLX_JNI(Win32CommunicationBackend, createListener0)(JNIEnv*, jclass, jstring) {
    return kInvalidHandle;
}

// byte[] readDataBlock0(long handle)  (J)[B
extern "C" jbyteArray JNICALL TLX_JNI(Win32CommunicationBackend, readDataBlock0)(JNIEnv*, jclass, jlong) {
    return nullptr;
}

// boolean writeDataBlock0(long handle, byte[] data)  (J[B)Z
extern "C" jboolean JNICALL TLX_JNI(Win32CommunicationBackend, writeDataBlock0)(JNIEnv*, jclass, jlong, jbyteArray) {
    return JNI_FALSE;
}

// long connectClient0(String pipeName)  (Ljava/lang/String;)J  (0, not -1, is its failure)
extern "C" jlong JNICALL TLX_JNI(Win32CommunicationBackend, connectClient0)(JNIEnv*, jclass, jstring) { return 0; }

// boolean connectNamedPipe0(long handle)  (J)Z
extern "C" jboolean JNICALL TLX_JNI(Win32CommunicationBackend, connectNamedPipe0)(JNIEnv*, jclass, jlong) {
    return JNI_FALSE;
}

// void disconnectNamedPipe0(long handle)  (J)V
extern "C" void JNICALL TLX_JNI(Win32CommunicationBackend, disconnectNamedPipe0)(JNIEnv*, jclass, jlong) {}

// void closeHandle0(long handle)  (J)V
extern "C" void JNICALL TLX_JNI(Win32CommunicationBackend, closeHandle0)(JNIEnv*, jclass, jlong) {}

// boolean isProcessAlive0(int pid)  (I)Z
extern "C" jboolean JNICALL TLX_JNI(Win32CommunicationBackend, isProcessAlive0)(JNIEnv*, jclass, jint) {
    return JNI_FALSE;
}

// int getCurrentProcessId0()  ()I  (0: no process has that id)
extern "C" jint JNICALL TLX_JNI(Win32CommunicationBackend, getCurrentProcessId0)(JNIEnv*, jclass) { return 0; }
