// The natives of the runtime's ACLHandling class (access-control entries on files and registry keys).
// NOT YET BUILT: each native only gives its failure value, so that the
// registration of every platform class succeeds; see natives/README.md.
#include <jni.h>

#include "natives/native_support.h"

// boolean addACE(String path, boolean registryKey, boolean read, boolean write, boolean execute, boolean all,
//                int trusteeKind, String account)  (Ljava/lang/String;ZZZZZILjava/lang/String;)Z
extern "C" jboolean JNICALL TLX_JNI(ACLHandling, addACE)(JNIEnv*, jclass, jstring, jboolean, jboolean, jboolean,
                                                        jboolean, jboolean, jint, jstring) {
    return JNI_FALSE;
}
