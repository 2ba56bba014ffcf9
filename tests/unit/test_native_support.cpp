// What the natives build on, against the real JVM: the copy of a Java string
// argument and the Java strings made from native ones (boxed numbers and
// handles reach Java in the registry and pipe scenarios). Then the shell
// natives where no scenario reaches them on this platform: the object
// picker's selection turned into Result objects (Wine's picker returns before
// it selects anything), and the 8-bit shortcut native that no runtime class
// binds, read back through the shell's link object.
#include <windows.h>
#include <jni.h>
#include <objsel.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "java_vm.h"
#include "launcher/base/scoped.h"
#include "natives/native_support.h"
#include "natives/object_picker.h"

extern "C" jboolean JNICALL TLX_JNI(ShellLink, create0)(JNIEnv*, jclass, jbyteArray, jbyteArray, jbyteArray, jbyteArray,
                                                        jbyteArray, jbyteArray, jint);

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
        {std::u16string(u"a\0b\0\0", 5), L"a|b|"},
        {std::u16string(u"a\0b", 3), L"a|b|"},
        {std::u16string(u"ab\0c", 4), L"ab|c|"},
        {std::u16string(u"\0", 1), L""},
        {u"", L""},
        {std::u16string(u"a\0\0b\0", 5), L"a||b|"},
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
    } selection = {{3,
                    1,
                    {{const_cast<PWSTR>(L"Administr\u00e4toren"), const_cast<PWSTR>(L"WinNT://HOST/A"),
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
    for (int i : {0, 2}) SafeArrayDestroy(attributes[i].parray);
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
    std::string file = (std::filesystem::temp_directory_path() / "tlx_create0.lnk").string();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    EXPECT_TRUE(TLX_JNI(ShellLink, create0)(env, nullptr, bytes(env, file + '\0'),
                                            bytes(env, std::string("C:\\windows\\notepad.exe\0junk", 28)), nullptr,
                                            nullptr, bytes(env, "-x \"y z\""), nullptr, SW_SHOWNORMAL));
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
