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

// A Java string in and out: null stays null (and is no refusal), an embedded
// U+0000 refuses a name and ends a shown text, the 8-bit copy shows "?" for
// what no single-byte code page holds.
TEST(NativeSupport, StringsAndValuesBetweenJavaAndNative) {
    JNIEnv* env = testJavaEnvironment();
    ASSERT_NE(env, nullptr) << "no Java VM from TLX_JDK_DIR";
    auto javaString = [env](const std::u16string& text) {
        return env->NewString(reinterpret_cast<const jchar*>(text.data()), static_cast<jsize>(text.size()));
    };
    EXPECT_EQ(JavaStringCopy(env, nullptr).get(), nullptr);
    EXPECT_FALSE(JavaStringCopy(env, nullptr).refused());
    EXPECT_EQ(JavaStringCopy8(env, nullptr).get(), nullptr);
    EXPECT_EQ(newJavaString(env, nullptr), nullptr);
    jstring nul = javaString(std::u16string(u"ab\0cd", 5));
    JavaStringCopy name(env, nul), shown(env, nul, StringUse::kShown);
    EXPECT_TRUE(name.refused());
    EXPECT_EQ(name.get(), nullptr);
    EXPECT_EQ(JavaStringCopy8(env, nul).get(), nullptr);
    EXPECT_FALSE(shown.refused());
    EXPECT_STREQ(shown.get(), L"ab");
    EXPECT_EQ(shown.length(), 2u);
    EXPECT_STREQ(JavaStringCopy8(env, javaString(u"abc \u4e2d")).get(), "abc ?");
    EXPECT_STREQ(JavaStringCopy(env, newJavaString(env, L"Gr\u00fc\u00dfe \u4e2d")).get(), L"Gr\u00fc\u00dfe \u4e2d");

    const wchar_t* texts[] = {L"one", nullptr};
    jobjectArray array = newJavaStringArray(env, texts, 2);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(env->GetArrayLength(array), 2);
    EXPECT_STREQ(JavaStringCopy(env, static_cast<jstring>(env->GetObjectArrayElement(array, 0))).get(), L"one");
    EXPECT_EQ(env->GetObjectArrayElement(array, 1), nullptr);
}

// Multi-string data as the registry may hold it: with or without its closing
// NULs; a last string without NUL is kept, even of one unit.
TEST(MultiString, SplitWhereverTheDataEnds) {
    const struct {
        std::u16string data;
        const wchar_t* strings;
    } cases[] = {
        {std::u16string(u"a\0b\0\0", 5), L"a|b|"}, {std::u16string(u"a\0b", 3), L"a|b|"},
        {std::u16string(u"ab\0c", 4), L"ab|c|"},   {std::u16string(u"\0", 1), L""},
        {u"", L""},                                {std::u16string(u"a\0\0b\0", 5), L"a||b|"},
    };
    for (const auto& c : cases) {
        TextList strings;
        ASSERT_TRUE(splitMultiString(reinterpret_cast<const wchar_t*>(c.data.data()), c.data.size(), &strings));
        std::wstring joined;
        const wchar_t* s = strings.first();
        for (size_t i = 0; i < strings.count(); ++i, s = TextList::next(s)) joined += std::wstring(s) + L"|";
        EXPECT_EQ(joined, c.strings);
    }
}

}  // namespace
