// The entry class's argument array against the real JVM: a VM that cannot
// allocate the array or a string makes the call fail cleanly (null, nothing
// pending) instead of handing main a broken array. Launches show the array
// built in order; an exhausted heap cannot be had through one.
#include <gtest/gtest.h>
#include <windows.h>
#include <jni.h>

#include <string>
#include <vector>

#include "java_vm.h"
#include "jvm/launch_arguments.h"
#include "launcher/base/arguments.h"

namespace {

TEST(JavaArguments, AnExhaustedHeapGivesNullAndNoPendingException) {
    JNIEnv* env = testJavaEnvironment();
    ASSERT_NE(env, nullptr) << "no Java VM from TLX_JDK_DIR";
    // Hold on to everything the heap can give, from large blocks down to
    // single objects, so that the next allocation must fail.
    std::vector<jobject> hog;
    jclass objectClass = env->FindClass("java/lang/Object");
    jmethodID construct = env->GetMethodID(objectClass, "<init>", "()V");
    for (jsize size = 1 << 20; size >= 1; size /= 4) {
        for (;;) {
            jobject block = size > 16 ? static_cast<jobject>(env->NewByteArray(size)) : env->NewObject(objectClass, construct);
            if (!block) break;
            hog.push_back(env->NewGlobalRef(block));
            env->DeleteLocalRef(block);
        }
        env->ExceptionClear();
    }
    ArgumentList list;
    for (int i = 0; i < 8; ++i) list.append(L"an argument that needs a string of its own");
    jobjectArray array = createJavaArguments(env, list);
    bool pending = env->ExceptionCheck();
    for (jobject block : hog) env->DeleteGlobalRef(block);
    EXPECT_EQ(array, nullptr);
    EXPECT_FALSE(pending);
    EXPECT_GT(hog.size(), 0u);
}

}  // namespace
