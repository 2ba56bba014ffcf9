// What the natives build on, against the real JVM: the copy of a Java string
// argument and the Java values made from native ones.
#include <gtest/gtest.h>
#include <jni.h>
#include <windows.h>

#include <string>

#include "java_vm.h"
#include "launcher/base/scoped.h"
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

    jobject boxed = boxInteger(env, -5);
    ASSERT_NE(boxed, nullptr);
    jclass integerClass = env->FindClass("java/lang/Integer");
    EXPECT_EQ(env->CallIntMethod(boxed, env->GetMethodID(integerClass, "intValue", "()I")), -5);

    EXPECT_EQ(handleToJava(INVALID_HANDLE_VALUE), -1);
    EXPECT_EQ(handleFromJava(-1), INVALID_HANDLE_VALUE);
}

}  // namespace

namespace {

HANDLE duplicateOfProcess() {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &copy, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return copy;
}

bool isOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

}  // namespace

// Each owner closes what it holds once: at the end of its scope, before it
// receives a new value, and never after giving it up.
TEST(Scoped, OwnersCloseWhatTheyHoldExactlyOnce) {
    HANDLE first = duplicateOfProcess();
    HANDLE kept = nullptr;
    {
        ScopedHandle owner(first);
        ASSERT_TRUE(isOpen(first));
        HANDLE* slot = owner.receive();
        EXPECT_FALSE(isOpen(first)) << "receive() closes the old handle";
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), slot, 0, FALSE,
                                    DUPLICATE_SAME_ACCESS));
        kept = owner.release();
    }
    EXPECT_TRUE(isOpen(kept)) << "a released handle stays open";
    { ScopedHandle owner(kept); }
    EXPECT_FALSE(isOpen(kept));

    HKEY opened = nullptr;
    {
        ScopedRegistryKey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.receive()), ERROR_SUCCESS);
        opened = key.get();
        EXPECT_EQ(RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr), ERROR_SUCCESS);
    }
    EXPECT_NE(RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr), ERROR_SUCCESS);
}
