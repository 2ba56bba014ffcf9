// What the natives build on, against the real JVM: the copy of a Java string
// argument and the Java strings made from native ones. Boxed numbers and
// handles reach Java in the registry and pipe scenarios.
#include <gtest/gtest.h>
#include <jni.h>
#include <windows.h>

#include <string>

#include "java_vm.h"
#include "natives/native_support.h"

namespace {

class NativeSupport : public ::testing::Test {
protected:
    void SetUp() override {
        env = testJavaEnvironment();
        ASSERT_NE(env, nullptr) << "no Java VM from TLX_JDK_DIR";
    }
    jstring javaString(const std::u16string& text) {
        return env->NewString(reinterpret_cast<const jchar*>(text.data()), static_cast<jsize>(text.size()));
    }
    JNIEnv* env = nullptr;
};

// A Java string in and out: null stays null, an embedded U+0000 ends the copy,
// the 8-bit copy shows "?" for what no single-byte code page holds.
TEST_F(NativeSupport, StringsAndValuesBetweenJavaAndNative) {
    EXPECT_EQ(JavaStringCopy(env, nullptr).get(), nullptr);
    EXPECT_EQ(JavaStringCopy8(env, nullptr).get(), nullptr);
    EXPECT_EQ(newJavaString(env, nullptr), nullptr);
    EXPECT_STREQ(JavaStringCopy(env, javaString(std::u16string(u"ab\0cd", 5))).get(), L"ab");
    EXPECT_STREQ(JavaStringCopy8(env, javaString(u"abc \u4e2d")).get(), "abc ?");
    EXPECT_STREQ(JavaStringCopy(env, newJavaString(env, L"Gr\u00fc\u00dfe \u4e2d")).get(), L"Gr\u00fc\u00dfe \u4e2d");

    const wchar_t* texts[] = {L"one", nullptr};
    jobjectArray array = newJavaStringArray(env, texts, 2);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(env->GetArrayLength(array), 2);
    EXPECT_STREQ(JavaStringCopy(env, static_cast<jstring>(env->GetObjectArrayElement(array, 0))).get(), L"one");
    EXPECT_EQ(env->GetObjectArrayElement(array, 1), nullptr);
}

}  // namespace
