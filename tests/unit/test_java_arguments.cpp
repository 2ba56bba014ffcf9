// The entry class's argument array against the real JVM: a VM that cannot
// allocate the array or a string makes the call fail cleanly (null, nothing
// pending) instead of handing main a broken array. Launches show the array
// built in order; an exhausted heap cannot be had through one.
#include <gtest/gtest.h>
#include <windows.h>
#include <jni.h>

#include <string>
#include <vector>

#include "jvm/launch_arguments.h"
#include "launcher/arguments.h"
#include "launcher/proc_address.h"

namespace {

typedef jint(JNICALL* CreateJavaVMFunction)(JavaVM**, void**, void*);

// A VM of the Windows JDK fixture with a 64 MB heap and the serial collector,
// so that the test can fill the heap completely.
JNIEnv* smallJavaVm() {
    char jdk[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TLX_JDK_DIR", jdk, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::string bin = std::string("Z:") + jdk + "\\bin";
    for (char& c : bin)
        if (c == '/') c = '\\';
    SetDllDirectoryA(bin.c_str());  // jvm.dll needs the C runtime beside it
    HMODULE library = LoadLibraryA((bin + "\\server\\jvm.dll").c_str());
    SetDllDirectoryA(nullptr);
    auto create = procAddress<CreateJavaVMFunction>(library, "JNI_CreateJavaVM");
    JavaVMOption options[] = {{const_cast<char*>("-Xrs"), nullptr},
                              {const_cast<char*>("-Xmx64m"), nullptr},
                              {const_cast<char*>("-XX:+UseSerialGC"), nullptr}};
    JavaVMInitArgs args = {};
    args.version = JNI_VERSION_1_2;
    args.nOptions = 3;
    args.options = options;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    return create && create(&vm, reinterpret_cast<void**>(&env), &args) == JNI_OK ? env : nullptr;
}

TEST(JavaArguments, AnExhaustedHeapGivesNullAndNoPendingException) {
    JNIEnv* env = smallJavaVm();
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
