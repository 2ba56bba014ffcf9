// The natives of the runtime's Win32UserInfo class (user accounts, groups, elevation and account rights).
// NOT YET BUILT: each native only gives its failure value, so that the
// registration of every platform class succeeds; see natives/README.md.
#include <jni.h>

#include "natives/native_support.h"

// boolean isMemberOfGroup0(int rid)  (I)Z
// True is the answer when the token functions are unavailable: membership assumed.
extern "C" jboolean JNICALL TLX_JNI(Win32UserInfo, isMemberOfGroup0)(JNIEnv*, jclass, jint) { return JNI_TRUE; }

// boolean executeElevated0(String file, String parameters, String directory, int showCommand)
// (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;I)Z
extern "C" jboolean JNICALL TLX_JNI(Win32UserInfo, executeElevated0)(JNIEnv*, jclass, jstring, jstring, jstring,
                                                                    jint) {
    return JNI_FALSE;
}

// int getElevationType0()  ()I
extern "C" jint JNICALL TLX_JNI(Win32UserInfo, getElevationType0)(JNIEnv*, jclass) { return 0; }

// String addUser0(String user, String password, String comment, String group, String groupComment,
//                 boolean createGroup, boolean failIfGroupExists)
// (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ZZ)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(Win32UserInfo, addUser0)(JNIEnv*, jclass, jstring, jstring, jstring, jstring,
                                                           jstring, jboolean, jboolean) {
    return nullptr;
}

// int deleteUser0(String server, String user)  (Ljava/lang/String;Ljava/lang/String;)I  (-1: unavailable)
extern "C" jint JNICALL TLX_JNI(Win32UserInfo, deleteUser0)(JNIEnv*, jclass, jstring, jstring) { return -1; }

// int deleteLocalGroup0(String server, String group)  (Ljava/lang/String;Ljava/lang/String;)I  (-1: unavailable)
extern "C" jint JNICALL TLX_JNI(Win32UserInfo, deleteLocalGroup0)(JNIEnv*, jclass, jstring, jstring) { return -1; }

// String getAccountName0(String sid, boolean nameOnly)  (Ljava/lang/String;Z)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(Win32UserInfo, getAccountName0)(JNIEnv* env, jclass, jstring, jboolean) {
    return newJavaString(env, L"");
}

// String getUserProfileDirectory0(String sid, String password)
// (Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(Win32UserInfo, getUserProfileDirectory0)(JNIEnv* env, jclass, jstring, jstring) {
    return newJavaString(env, L" could not get functions 120");
}

// String getUserSid0()  ()Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(Win32UserInfo, getUserSid0)(JNIEnv*, jclass) { return nullptr; }

// boolean setLsaAccountRight0(String account, String right, boolean add)  (Ljava/lang/String;Ljava/lang/String;Z)Z
extern "C" jboolean JNICALL TLX_JNI(Win32UserInfo, setLsaAccountRight0)(JNIEnv*, jclass, jstring, jstring, jboolean) {
    return JNI_FALSE;
}
