// checkJavaException against a real Java VM (the Windows JDK fixture):
// a pending exception is logged with its text, cleared and reported.
#include <gtest/gtest.h>
#include <jni.h>
#include <windows.h>

#include "java_vm.h"
#include "launcher/errors.h"
#include "log_capture.h"

namespace {

class JavaException : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = testJavaEnvironment();
        ASSERT_NE(env_, nullptr) << "no Java VM from TLX_JDK_DIR";
    }
    JNIEnv* env_ = nullptr;
};

TEST_F(JavaException, NothingPendingIsTrueAndLogsNothing) {
    LogCapture log;
    EXPECT_TRUE(checkJavaException(env_, kLogAndDescribe));
    EXPECT_EQ(log.text(), L"");
}

TEST_F(JavaException, APendingExceptionIsLoggedWithItsTextAndCleared) {
    LogCapture log;
    EXPECT_EQ(env_->FindClass("no/such/Klass"), nullptr);
    ASSERT_TRUE(env_->ExceptionCheck());
    EXPECT_FALSE(checkJavaException(env_, kLogOnly));
    EXPECT_FALSE(env_->ExceptionCheck());
    EXPECT_EQ(log.text(), L"ERROR: an exception occurred\nERROR: java.lang.NoClassDefFoundError: no/such/Klass\n");
}

TEST_F(JavaException, DescribingStillClearsIt) {
    jclass type = env_->FindClass("java/lang/IllegalStateException");
    ASSERT_NE(type, nullptr);
    env_->ThrowNew(type, "St\xc3\xb6rung");  // modified UTF-8 of the message
    LogCapture log;
    EXPECT_FALSE(checkJavaException(env_, kLogAndDescribe));
    EXPECT_FALSE(env_->ExceptionCheck());
    EXPECT_NE(log.text().find(L"ERROR: java.lang.IllegalStateException: St\u00f6rung\n"), std::wstring::npos)
        << std::string(log.text().begin(), log.text().end());
}

}  // namespace
