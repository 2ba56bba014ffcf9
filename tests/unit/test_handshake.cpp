// The launcher's calls into the runtime's classes, against the real JVM with
// the runtime jar: Common told about the natives, WinDel given the
// executable, the first-run check with and without its marker, the splash
// text lines, and the binding that finds no registerNatives export.
#include <gtest/gtest.h>
#include <windows.h>
#include <jni.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "java_vm.h"
#include "jvm/handshake.h"
#include "jvm/jvm_state.h"
#include "jvm/splash.h"
#include "log_capture.h"
#include "payload/config.h"

namespace {

class Handshake : public ::testing::Test {
protected:
    JNIEnv* env = nullptr;
    std::string dir;

    void SetUp() override {
        env = testJavaEnvironment();
        ASSERT_NE(env, nullptr) << "no Java VM from TLX_JDK_DIR";
        g_jvm.env = env;
        clearConfiguration();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir = std::string(temp) + "tlx_handshake_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir.c_str(), nullptr);
    }

    void TearDown() override {
        DeleteFileA((dir + "\\.tolvanrix\\firstrun").c_str());
        RemoveDirectoryA((dir + "\\.tolvanrix").c_str());
        RemoveDirectoryA(dir.c_str());
        clearConfiguration();
        setProperty("tolvanrix.firstRunHandler", nullptr);
    }

    static void set(int key, const char* value) {
        char* copy = static_cast<char*>(std::malloc(std::strlen(value) + 1));
        std::strcpy(copy, value);
        setConfigEntry(key, copy);
    }

    std::string javaText(jobject string) {
        if (!string) return "(null)";
        const char* chars = env->GetStringUTFChars(static_cast<jstring>(string), nullptr);
        std::string text = chars;
        env->ReleaseStringUTFChars(static_cast<jstring>(string), chars);
        return text;
    }

    // A static no-argument method returning an object, shown as text.
    std::string callStatic(const char* type, const char* method, const char* signature) {
        jclass found = env->FindClass(type);
        EXPECT_NE(found, nullptr) << type;
        if (!found) return "(no class)";
        jobject result = env->CallStaticObjectMethod(found, env->GetStaticMethodID(found, method, signature));
        EXPECT_FALSE(env->ExceptionCheck());
        return toText(result);
    }

    std::string toText(jobject value) {
        if (!value) return "(null)";
        jclass type = env->GetObjectClass(value);
        return javaText(env->CallObjectMethod(value, env->GetMethodID(type, "toString", "()Ljava/lang/String;")));
    }

    void setProperty(const char* name, const char* value) {
        jclass system = env->FindClass("java/lang/System");
        jstring key = env->NewStringUTF(name);
        if (value) {
            env->CallStaticObjectMethod(system, env->GetStaticMethodID(system, "setProperty",
                "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;"), key, env->NewStringUTF(value));
        } else {
            env->CallStaticObjectMethod(system, env->GetStaticMethodID(system, "clearProperty",
                "(Ljava/lang/String;)Ljava/lang/String;"), key);
        }
    }

    void writeMarker() {
        CreateDirectoryA((dir + "\\.tolvanrix").c_str(), nullptr);
        HANDLE file = CreateFileA((dir + "\\.tolvanrix\\firstrun").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
};

constexpr char kCommon[] = "com/tolvanrix/runtime/installer/platform/win32/Common";

TEST_F(Handshake, CommonLearnsWhetherTheNativesAreBound) {
    EXPECT_EQ(callStatic(kCommon, "nativesFromLauncher", "()Ljava/lang/Boolean;"), "(null)");
    EXPECT_TRUE(callInitFromLauncher(kNativesComing));
    EXPECT_EQ(callStatic(kCommon, "nativesFromLauncher", "()Ljava/lang/Boolean;"), "true");
    EXPECT_TRUE(callInitFromLauncher(kNativesFailed));
    EXPECT_EQ(callStatic(kCommon, "nativesFromLauncher", "()Ljava/lang/Boolean;"), "false");
}

TEST_F(Handshake, BindingWithoutTheExportIsLoggedOnlyForTheInstallerFlavour) {
    set(2001, "e");
    LogCapture application;
    bindRuntimeNatives();
    EXPECT_EQ(application.text(), L"");
    set(2001, "i");
    LogCapture installer;
    bindRuntimeNatives();
    std::wstring text = installer.text();
    EXPECT_EQ(text.rfind(L"load helper dll\nhelper dll (in-module) ", 0), 0u) << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(L"\nERROR: did not find register natives in helper dll\n"), std::wstring::npos);
}

TEST_F(Handshake, WinDelReceivesTheModulePath) {
    setWinDelExecutable();
    jclass winDel = env->FindClass("com/kavro/runtime/util/WinDel");
    ASSERT_NE(winDel, nullptr);
    jobject value = env->GetStaticObjectField(winDel, env->GetStaticFieldID(winDel, "externalExecutable", "Ljava/lang/String;"));
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(javaText(value), module);
}

TEST_F(Handshake, FirstRunIsAskedOnlyWithTheMarker) {
    set(10003, dir.c_str());
    LogCapture withoutMarker;
    EXPECT_TRUE(checkFirstRun());
    EXPECT_EQ(withoutMarker.text(), L"");

    writeMarker();
    LogCapture withMarker;
    EXPECT_TRUE(checkFirstRun());  // no handler configured: the start goes on
    EXPECT_NE(withMarker.text().find(L"first run marker "), std::wstring::npos);

    // A handler that cannot be loaded makes firstRun throw: that stops the start.
    setProperty("tolvanrix.firstRunHandler", "no.such.Handler");
    LogCapture throwing;
    EXPECT_FALSE(checkFirstRun());
    EXPECT_FALSE(env->ExceptionCheck());
    EXPECT_NE(throwing.text().find(L"ERROR: java.lang.ClassNotFoundException: no.such.Handler"), std::wstring::npos);
}

TEST_F(Handshake, SplashTextLinesInTheirOrder) {
    set(163, "0");
    set(10111, "Installing");
    set(10109, "25");
    set(10110, "30");
    set(10113, "9");
    set(10114, "255,0,0");
    set(10115, "700");
    set(10118, "version 5.1");
    set(10116, "26");
    set(10117, "45");
    set(10120, "8");
    set(10121, "0,0,255");
    set(10122, "400");
    configureJavaSplash();
    jclass splashClass = env->FindClass("com/kavro/runtime/SplashText");
    ASSERT_NE(splashClass, nullptr);
    jobject splash = env->CallStaticObjectMethod(splashClass,
        env->GetStaticMethodID(splashClass, "current", "()Lcom/kavro/runtime/SplashText;"));
    ASSERT_NE(splash, nullptr);
    auto line = [&](const char* which) {
        return toText(env->CallObjectMethod(splash, env->GetMethodID(splashClass, which, "()Lcom/kavro/runtime/SplashText$Line;")));
    };
    EXPECT_EQ(line("first"), "Installing@25,30 colour 255,0,0 size 9 weight 700");
    EXPECT_EQ(line("second"), "version 5.1@26,45 colour 0,0,255 size 8 weight 400");
    EXPECT_FALSE(env->CallBooleanMethod(splash, env->GetMethodID(splashClass, "option", "()Z")));
    EXPECT_TRUE(env->CallBooleanMethod(splash, env->GetMethodID(splashClass, "fromLauncher", "()Z")));
}

}  // namespace
