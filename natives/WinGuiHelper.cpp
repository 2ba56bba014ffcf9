// The natives of the runtime's WinGuiHelper class (the native window handle of a Java window).
// NOT YET BUILT: each native only gives its failure value, so that the
// registration of every platform class succeeds; see natives/README.md.
#include <jni.h>

#include "natives/native_support.h"

// long getHwnd0(Method method, Object target)  (Ljava/lang/reflect/Method;Ljava/lang/Object;)J
extern "C" jlong JNICALL TLX_JNI(WinGuiHelper, getHwnd0)(JNIEnv*, jclass, jobject, jobject) { return 0; }
