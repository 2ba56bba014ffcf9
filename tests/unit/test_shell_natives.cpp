// The shell natives where no scenario reaches them on this platform: the
// object picker's selection turned into Result objects (Wine's picker
// returns before it selects anything), and the 8-bit shortcut native that
// no runtime class binds, read back through the shell's link object.
#include <gtest/gtest.h>
#include <jni.h>
#include <windows.h>
#include <objsel.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "java_vm.h"
#include "launcher/base/scoped.h"
#include "natives/native_support.h"
#include "natives/object_picker.h"

extern "C" jboolean JNICALL TLX_JNI(ShellLink, create0)(JNIEnv*, jclass, jbyteArray, jbyteArray, jbyteArray,
                                                       jbyteArray, jbyteArray, jbyteArray, jint);

namespace {

// The fetched SID becomes its text only when the bytes hold the whole SID;
// every absent field stays null.
TEST(ObjectPickerResults, SelectionBecomesResultObjects) {
    JNIEnv* env = testJavaEnvironment();
    ASSERT_NE(env, nullptr);
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(sid);
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size));
    VARIANT attributes[3] = {};
    attributes[0].vt = attributes[2].vt = VT_ARRAY | VT_UI1;
    attributes[0].parray = SafeArrayCreateVector(VT_UI1, 0, size);
    attributes[2].parray = SafeArrayCreateVector(VT_UI1, 0, size - 4);  // the last sub-authority cut off
    std::memcpy(attributes[0].parray->pvData, sid, size);
    std::memcpy(attributes[2].parray->pvData, sid, size - 4);
    struct {
        DS_SELECTION_LIST list;
        DS_SELECTION more[2];
    } selection = {{3, 1, {{const_cast<PWSTR>(L"Administr\u00e4toren"), const_cast<PWSTR>(L"WinNT://HOST/A"),
                            const_cast<PWSTR>(L"group"), nullptr, &attributes[0], 1}}},
                   {{nullptr, nullptr, nullptr, const_cast<PWSTR>(L"u@example.test"), &attributes[1], 1},
                    {const_cast<PWSTR>(L"cut"), nullptr, nullptr, nullptr, &attributes[2], 1}}};

    jobjectArray results = pickedAccounts(env, selection.list);
    ASSERT_NE(results, nullptr);
    ASSERT_EQ(env->GetArrayLength(results), 3);
    const char* getters[] = {"getName", "getAdsPath", "getObjectClass", "getUserPrincipalName", "getSid"};
    const wchar_t* expected[3][5] = {{L"Administr\u00e4toren", L"WinNT://HOST/A", L"group", L"-", L"S-1-5-32-544"},
                                     {L"-", L"-", L"-", L"u@example.test", L"-"},
                                     {L"cut", L"-", L"-", L"-", L"-"}};
    for (int i = 0; i < 3; ++i) {
        jobject result = env->GetObjectArrayElement(results, i);
        for (int field = 0; field < 5; ++field) {
            jmethodID getter = env->GetMethodID(env->GetObjectClass(result), getters[field], "()Ljava/lang/String;");
            jstring value = static_cast<jstring>(env->CallObjectMethod(result, getter));
            EXPECT_STREQ(value ? JavaStringCopy(env, value).get() : L"-", expected[i][field]) << i << getters[field];
        }
    }
    SafeArrayDestroy(attributes[0].parray);
    SafeArrayDestroy(attributes[2].parray);
}

jbyteArray bytes(JNIEnv* env, const std::string& text) {
    jbyteArray array = env->NewByteArray(static_cast<jsize>(text.size()));
    env->SetByteArrayRegion(array, 0, static_cast<jsize>(text.size()), reinterpret_cast<const jbyte*>(text.data()));
    return array;
}

// The ANSI texts reach the link as they stand, up to their NUL or, without
// one, the end of their array.
TEST(ShellLinkAnsi, SavesTheLinkOfItsTexts) {
    JNIEnv* env = testJavaEnvironment();
    ASSERT_NE(env, nullptr);
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    std::string file = std::string(temp) + "tlx_create0.lnk";
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    EXPECT_TRUE(TLX_JNI(ShellLink, create0)(env, nullptr, bytes(env, file + '\0'),
                                            bytes(env, std::string("C:\\windows\\notepad.exe\0junk", 28)),
                                            nullptr, nullptr, bytes(env, "-x \"y z\""), nullptr, SW_SHOWNORMAL));
    {
        ComPtr<IShellLinkW> link;
        ComPtr<IPersistFile> persist;
        ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receive()),
                  S_OK);
        ASSERT_EQ(link->QueryInterface(IID_IPersistFile, persist.receive()), S_OK);
        ASSERT_EQ(persist->Load(std::wstring(file.begin(), file.end()).c_str(), STGM_READ), S_OK);
        wchar_t target[MAX_PATH], arguments[MAX_PATH];
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetArguments(arguments, MAX_PATH);
        EXPECT_STREQ(target, L"C:\\windows\\notepad.exe");
        EXPECT_STREQ(arguments, L"-x \"y z\"");
    }
    CoUninitialize();
    DeleteFileA(file.c_str());
}

}  // namespace
