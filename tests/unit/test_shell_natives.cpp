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
#include <vector>

#include "java_vm.h"
#include "launcher/base/scoped.h"
#include "natives/native_support.h"
#include "natives/object_picker.h"

extern "C" jboolean JNICALL TLX_JNI(ShellLink, create0)(JNIEnv*, jclass, jbyteArray, jbyteArray, jbyteArray,
                                                       jbyteArray, jbyteArray, jbyteArray, jint);

namespace {

std::wstring text(JNIEnv* env, jobject object, const char* getter) {
    jmethodID method = env->GetMethodID(env->GetObjectClass(object), getter, "()Ljava/lang/String;");
    jstring value = static_cast<jstring>(env->CallObjectMethod(object, method));
    return value ? JavaStringCopy(env, value).get() : L"<null>";
}

SAFEARRAY* byteArray(const void* bytes, ULONG size) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, size);
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    std::memcpy(data, bytes, size);
    SafeArrayUnaccessData(array);
    return array;
}

// The fetched SID becomes its text only when the bytes hold a whole valid
// SID; every absent field stays null.
TEST(ObjectPickerResults, SelectionBecomesResultObjects) {
    JNIEnv* env = testJavaEnvironment();
    ASSERT_NE(env, nullptr);
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(sid);
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size));
    VARIANT attributes[3] = {};
    attributes[0].vt = attributes[2].vt = VT_ARRAY | VT_UI1;
    attributes[0].parray = byteArray(sid, size);
    attributes[2].parray = byteArray(sid, size - 4);  // the last sub-authority cut off

    std::vector<BYTE> block(sizeof(DS_SELECTION_LIST) + 2 * sizeof(DS_SELECTION));
    DS_SELECTION_LIST& list = *reinterpret_cast<DS_SELECTION_LIST*>(block.data());
    list.cItems = 3;
    list.cFetchedAttributes = 1;
    DS_SELECTION* items = list.aDsSelection;
    items[0] = {const_cast<PWSTR>(L"Administr\u00e4toren"), const_cast<PWSTR>(L"WinNT://HOST/Administrators"),
                const_cast<PWSTR>(L"group"), nullptr, &attributes[0], 1};
    items[1] = {nullptr, nullptr, nullptr, const_cast<PWSTR>(L"user@example.test"), &attributes[1], 1};
    items[2] = {const_cast<PWSTR>(L"cut"), nullptr, nullptr, nullptr, &attributes[2], 1};

    jobjectArray results = pickedAccounts(env, list);
    ASSERT_NE(results, nullptr);
    ASSERT_EQ(env->GetArrayLength(results), 3);
    const char* getters[] = {"getName", "getAdsPath", "getObjectClass", "getUserPrincipalName", "getSid"};
    const wchar_t* expected[3][5] = {
        {L"Administr\u00e4toren", L"WinNT://HOST/Administrators", L"group", L"<null>", L"S-1-5-32-544"},
        {L"<null>", L"<null>", L"<null>", L"user@example.test", L"<null>"},
        {L"cut", L"<null>", L"<null>", L"<null>", L"<null>"}};
    for (int i = 0; i < 3; ++i) {
        jobject result = env->GetObjectArrayElement(results, i);
        for (int field = 0; field < 5; ++field)
            EXPECT_EQ(text(env, result, getters[field]), expected[i][field]) << i << " " << getters[field];
    }
    SafeArrayDestroy(attributes[0].parray);
    SafeArrayDestroy(attributes[2].parray);
}

jbyteArray bytes(JNIEnv* env, const char* text, bool terminated = true) {
    jsize size = static_cast<jsize>(std::strlen(text) + (terminated ? 1 : 0));
    jbyteArray array = env->NewByteArray(size);
    env->SetByteArrayRegion(array, 0, size, reinterpret_cast<const jbyte*>(text));
    return array;
}

// The 8-bit texts reach the link as they stand; a text without its
// terminator ends with its array.
TEST(ShellLinkAnsi, SavesTheLinkOfItsTexts) {
    JNIEnv* env = testJavaEnvironment();
    ASSERT_NE(env, nullptr);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring file = std::wstring(temp) + L"tlx_create0.lnk";
    std::string file8(file.begin(), file.end());
    DeleteFileW(file.c_str());
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    EXPECT_TRUE(TLX_JNI(ShellLink, create0)(env, nullptr, bytes(env, file8.c_str()),
                                            bytes(env, "C:\\windows\\notepad.exe"), bytes(env, "C:\\windows"), nullptr,
                                            bytes(env, "-x \"y z\"", false), nullptr, SW_SHOWNORMAL));
    {
        ComPtr<IShellLinkW> link;
        ComPtr<IPersistFile> persist;
        ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receive()),
                  S_OK);
        ASSERT_EQ(link->QueryInterface(IID_IPersistFile, persist.receive()), S_OK);
        ASSERT_EQ(persist->Load(file.c_str(), STGM_READ), S_OK);
        wchar_t value[MAX_PATH];
        ASSERT_EQ(link->GetPath(value, MAX_PATH, nullptr, SLGP_RAWPATH), S_OK);
        EXPECT_STREQ(value, L"C:\\windows\\notepad.exe");
        link->GetArguments(value, MAX_PATH);
        EXPECT_STREQ(value, L"-x \"y z\"");
        link->GetDescription(value, MAX_PATH);
        EXPECT_STREQ(value, L"");
    }
    CoUninitialize();
    DeleteFileW(file.c_str());
}

}  // namespace
