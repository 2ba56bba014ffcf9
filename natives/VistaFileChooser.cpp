// The natives of the runtime's VistaFileChooser class (the system's common file dialog).
// NOT YET BUILT: each native only gives its failure value, so that the
// registration of every platform class succeeds; see natives/README.md.
#include <jni.h>

#include "natives/native_support.h"

// void initialize0()  ()V
extern "C" void JNICALL TLX_JNI(VistaFileChooser, initialize0)(JNIEnv*, jclass) {}

// String[] displayDialog0(long ownerWindow, String title, String okLabel, String folder, String fileName,
//     int optionsToSet, int optionsToClear, boolean save, String defaultExtension, String[] filterNames,
//     String[] filterPatterns, int filterIndex, String[] checkBoxLabels, boolean[] checkBoxStates)
// (JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IIZLjava/lang/String;
//  [Ljava/lang/String;[Ljava/lang/String;I[Ljava/lang/String;[Z)[Ljava/lang/String;
extern "C" jobjectArray JNICALL TLX_JNI(VistaFileChooser, displayDialog0)(JNIEnv*, jclass, jlong, jstring, jstring,
                                                                         jstring, jstring, jint, jint, jboolean,
                                                                         jstring, jobjectArray, jobjectArray, jint,
                                                                         jobjectArray, jbooleanArray) {
    return nullptr;
}
