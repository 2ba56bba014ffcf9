// The entry class's argument array against the real JVM: built in order,
// and a VM that cannot allocate the array or a string makes the call fail
// cleanly (null, nothing pending) instead of handing main a broken array.
#include <gtest/gtest.h>
#include <windows.h>
#include <jni.h>

#include <string>
#include <vector>

#include "java_vm.h"
#include "jvm/launch_arguments.h"
#include "launcher/base/arguments.h"

namespace {

class JavaArguments : public ::testing::Test {
protected:
    static JNIEnv* env;

    void SetUp() override {
        env = testJavaEnvironment();
        ASSERT_NE(env, nullptr) << "no Java VM from TLX_JDK_DIR";
    }

    static std::wstring text(jobject string) {
        const jchar* chars = env->GetStringChars(static_cast<jstring>(string), nullptr);
        std::wstring result(reinterpret_cast<const wchar_t*>(chars), env->GetStringLength(static_cast<jstring>(string)));
        env->ReleaseStringChars(static_cast<jstring>(string), chars);
        return result;
    }
};

JNIEnv* JavaArguments::env = nullptr;

TEST_F(JavaArguments, ArrayHoldsEveryArgumentInOrder) {
    ArgumentList list;
    list.append(L"true");
    list.append(L"");
    list.append(L"gr\u00fc\u00dfe \u4e2d");
    jobjectArray array = createJavaArguments(env, list);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(env->GetArrayLength(array), 3);
    EXPECT_EQ(text(env->GetObjectArrayElement(array, 0)), L"true");
    EXPECT_EQ(text(env->GetObjectArrayElement(array, 1)), L"");
    EXPECT_EQ(text(env->GetObjectArrayElement(array, 2)), L"gr\u00fc\u00dfe \u4e2d");
    EXPECT_FALSE(env->ExceptionCheck());
}

TEST_F(JavaArguments, AnExhaustedHeapGivesNullAndNoPendingException) {
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
