// The natives of the runtime's ObjectPicker class (the system's user and group picker).
// NOT YET BUILT: each native only gives its failure value, so that the
// registration of every platform class succeeds; see natives/README.md.
#include <jni.h>

#include "natives/native_support.h"

// ObjectPicker.Result[] show0(boolean multiSelect, boolean groups, boolean users, boolean wellKnownAccounts,
//                             boolean targetComputerOnly)
// (ZZZZZ)[Lcom/tolvanrix/runtime/installer/platform/win32/ObjectPicker$Result;
extern "C" jobjectArray JNICALL TLX_JNI(ObjectPicker, show0)(JNIEnv*, jclass, jboolean, jboolean, jboolean, jboolean,
                                                            jboolean) {
    return nullptr;
}
