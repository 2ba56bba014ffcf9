// checkJavaException against a real Java VM (the Windows JDK fixture):
// a pending exception is logged with its text, cleared and reported.
#include <gtest/gtest.h>
#include <jni.h>
#include <windows.h>

#include <string>

#include "launcher/errors.h"
#include "launcher/proc_address.h"
#include "log_capture.h"

namespace {

typedef jint(JNICALL* CreateJavaVMFunction)(JavaVM**, void**, void*);

// One VM for the whole test program: a process can create only one.
JNIEnv* javaEnvironment() {
    static JNIEnv* env = nullptr;
    static bool tried = false;
    if (tried) return env;
    tried = true;
    char jdk[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TLX_JDK_DIR", jdk, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::string bin = std::string("Z:") + jdk + "\\bin";
    for (char& c : bin)
        if (c == '/') c = '\\';
    // jvm.dll needs the C runtime libraries that lie in bin.
    SetDllDirectoryA(bin.c_str());
    HMODULE library = LoadLibraryA((bin + "\\server\\jvm.dll").c_str());
    SetDllDirectoryA(nullptr);
    auto create = procAddress<CreateJavaVMFunction>(library, "JNI_CreateJavaVM");
    if (!create) return nullptr;
    JavaVMOption options[2] = {{const_cast<char*>("-Xrs"), nullptr}, {const_cast<char*>("-Xmx64m"), nullptr}};
    JavaVMInitArgs args = {};
    args.version = JNI_VERSION_1_2;
    args.nOptions = 2;
    args.options = options;
    JavaVM* vm = nullptr;
    if (create(&vm, reinterpret_cast<void**>(&env), &args) != JNI_OK) env = nullptr;
    return env;
}

class JavaException : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = javaEnvironment();
        ASSERT_NE(env_, nullptr) << "no Java VM from TLX_JDK_DIR";
    }
    JNIEnv* env_ = nullptr;
};

TEST_F(JavaException, NothingPendingIsTrueAndLogsNothing) {
    LogCapture log;
    EXPECT_TRUE(checkJavaException(env_, true));
    EXPECT_EQ(log.text(), L"");
}

TEST_F(JavaException, APendingExceptionIsLoggedWithItsTextAndCleared) {
    LogCapture log;
    EXPECT_EQ(env_->FindClass("no/such/Klass"), nullptr);
    ASSERT_TRUE(env_->ExceptionCheck());
    EXPECT_FALSE(checkJavaException(env_, false));
    EXPECT_FALSE(env_->ExceptionCheck());
    EXPECT_EQ(log.text(), L"ERROR: an exception occurred\nERROR: java.lang.NoClassDefFoundError: no/such/Klass\n");
}

TEST_F(JavaException, DescribingStillClearsIt) {
    jclass type = env_->FindClass("java/lang/IllegalStateException");
    ASSERT_NE(type, nullptr);
    env_->ThrowNew(type, "St\xc3\xb6rung");  // modified UTF-8 of the message
    LogCapture log;
    EXPECT_FALSE(checkJavaException(env_, true));
    EXPECT_FALSE(env_->ExceptionCheck());
    EXPECT_NE(log.text().find(L"ERROR: java.lang.IllegalStateException: St\u00f6rung\n"), std::wstring::npos)
        << std::string(log.text().begin(), log.text().end());
}

}  // namespace
