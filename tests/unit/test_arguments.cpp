// Command-line splitting as the launcher does it: quotes of both kinds, no
// escapes, text around quotes. Every line a user or an installer may pass.
// Then the entry class's argument array against the real JVM.
#include <windows.h>
#include <jni.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "java_vm.h"
#include "jvm/launch_arguments.h"
#include "launcher/base/arguments.h"

namespace {

using Args = std::vector<std::wstring>;

Args split(const wchar_t* line) {
    ArgumentList list;
    splitCommandLine(line, list);
    Args out;
    for (int i = 0; i < list.count(); ++i) out.push_back(list.at(i));
    return out;
}

TEST(SplitCommandLine, QuotesBlanksAndBackslashes) {
    const struct {
        const wchar_t* line;
        Args expected;
    } cases[] = {
        {L"setup.exe -q  -c ", {L"setup.exe", L"-q", L"-c"}},
        {L"", {}},
        {L"   ", {}},
        {L"word \"quoted text\"second", {L"word", L"quoted text", L"second"}},
        {L"-Dname=\"a value\" next", {L"-Dname=a value", L"next"}},
        {L"'a b' c", {L"a b", L"c"}},
        // The earlier quote kind wins; the other one is ordinary text inside.
        {L"'say \"hi\"' x", {L"say \"hi\"", L"x"}},
        {L"\"it's here\" x", {L"it's here", L"x"}},
        {L"a \"b c", {L"a", L"b c"}},
        {L"\"C:\\Program Files\\x\\\" y", {L"C:\\Program Files\\x\\", L"y"}},
        {L"-temp \"\" x", {L"-temp", L"", L"x"}},
        {L"pre'x y'post z", {L"prex y", L"post", L"z"}},
        {L"\"a\"\"b\"", {L"a", L"b"}},
        {L"a\tb c", {L"a\tb", L"c"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.line), c.expected) << std::string(c.line, c.line + wcslen(c.line));
}

// A VM that cannot allocate the array or a string makes the call fail cleanly
// (null, nothing pending) instead of handing main a broken array. Launches
// show the array built in order; an exhausted heap cannot be had through one.
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
            jobject block =
                size > 16 ? static_cast<jobject>(env->NewByteArray(size)) : env->NewObject(objectClass, construct);
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
