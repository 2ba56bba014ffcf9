// The natives of the runtime's VistaTaskDialog class (the system's task dialog).
// NOT YET BUILT: each native only gives its failure value, so that the
// registration of every platform class succeeds; see natives/README.md.
#include <jni.h>

#include "natives/native_support.h"

// int show0(long ownerWindow, String title, String mainInstruction, String content, int flags, int icon,
//           int width, String verificationText, String[] buttonLabels, int defaultButtonIndex)
// (JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;IIILjava/lang/String;[Ljava/lang/String;I)I
// 0 is the result for "task dialogs are unavailable".
extern "C" jint JNICALL TLX_JNI(VistaTaskDialog, show0)(JNIEnv*, jclass, jlong, jstring, jstring, jstring, jint,
                                                       jint, jint, jstring, jobjectArray, jint) {
    return 0;
}
