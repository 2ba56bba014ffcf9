// The natives of the runtime's Registry class: keys and values of the Windows
// registry, key trees saved to and restored from hive files, and the shell's
// notice that file associations changed. Every call opens and closes its own
// keys; the view flags of the Java side are ORed into every access mask.
#include "natives/native_support.h"

#include <jni.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"
#include "natives/diagnostic.h"
#include "natives/privilege.h"
#include "natives/shell_binding.h"

namespace {

enum class Access { kRead, kReadWrite, kCreate };

// The type codes setValue0 takes.
enum ValueType : jint { kString = 1, kDword = 2, kMultiString = 3, kBinary = 4, kExpandString = 5 };

// Value data travels through one buffer of this size in both directions.
constexpr DWORD kValueBufferBytes = 100000;
constexpr DWORD kValueBufferUnits = kValueBufferBytes / sizeof(wchar_t);
// A string value keeps at most this many units, so that it and its NUL fit.
constexpr size_t kLongestStringValue = kValueBufferUnits - 1;
// Room for any key or value name (value names may have up to 16,383 units),
// so that every name comes back whole.
constexpr DWORD kNameUnits = 32768;

constexpr char kExpandStringClass[] = "com/tolvanrix/api/windows/WinRegistry$ExpandString";

typedef LONG(WINAPI* DeleteKeyExFunction)(HKEY parent, LPCWSTR subKey, REGSAM view, DWORD reserved);

HKEY rootKey(jint code) {
    switch (code) {
        case 1: return HKEY_CLASSES_ROOT;
        case 2: return HKEY_CURRENT_USER;
        case 3: return HKEY_LOCAL_MACHINE;
        case 4: return HKEY_USERS;
        case 5: return HKEY_CURRENT_CONFIG;
        default: return nullptr;
    }
}

bool openBelow(HKEY parent, const wchar_t* path, REGSAM view, Access access, ScopedRegistryKey* key) {
    if (access == Access::kCreate) {
        return RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | view, nullptr,
                               key->receive(), nullptr) == ERROR_SUCCESS;
    }
    REGSAM mask = access == Access::kReadWrite ? (KEY_READ | KEY_SET_VALUE) : KEY_READ;
    return RegOpenKeyExW(parent, path, 0, mask | view, key->receive()) == ERROR_SUCCESS;
}

bool openKey(JNIEnv* env, jint root, jstring path, jint view, Access access, ScopedRegistryKey* key) {
    HKEY parent = rootKey(root);
    if (!parent) return false;
    JavaStringCopy copy(env, path);
    return openBelow(parent, copy.get(), static_cast<REGSAM>(view), access, key);
}

enum class NameKind { kSubKey, kValue };

// Every name of the key, in enumeration order; false when memory ran out.
// An error other than the end of the list ends the walk: a key deleted
// meanwhile would otherwise fail at every further index.
bool allNames(HKEY key, NameKind kind, TextList* names) {
    HeapBuffer buffer(kNameUnits * sizeof(wchar_t));
    wchar_t* name = reinterpret_cast<wchar_t*>(buffer.get());
    if (!name) return false;
    for (DWORD index = 0;; ++index) {
        DWORD length = kNameUnits;
        LONG status = kind == NameKind::kSubKey
                          ? RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr)
                          : RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) return true;
        if (!names->add(name, length)) return false;
    }
}

jobjectArray namesOf(JNIEnv* env, jint root, jstring path, jint view, NameKind kind) {
    TextList names;
    {
        ScopedRegistryKey key;
        if (!openKey(env, root, path, view, Access::kRead, &key) || !allNames(key.get(), kind, &names)) {
            return nullptr;
        }
    }
    return newJavaStringArray(env, names);
}

// Deletes the key at path below parent with everything below it, the last
// enumerated subkey first. RegDeleteKeyExW is what deletes in another view;
// it is missing before Windows XP x64.
void deleteTree(HKEY parent, const wchar_t* path, REGSAM view) {
    {
        ScopedRegistryKey key;
        if (!openBelow(parent, path, view, Access::kRead, &key)) return;
        TextList subKeys;
        allNames(key.get(), NameKind::kSubKey, &subKeys);
        // Last first: walk the list once, remembering where each name starts.
        HeapBuffer starts(subKeys.count() * sizeof(const wchar_t*) + 1);
        const wchar_t** names = reinterpret_cast<const wchar_t**>(starts.get());
        if (!names) return;
        const wchar_t* name = subKeys.first();
        for (size_t i = 0; i < subKeys.count(); ++i, name = TextList::next(name)) names[i] = name;
        for (size_t i = subKeys.count(); i-- > 0;) deleteTree(key.get(), names[i], view);
    }
    auto deleteKeyEx = view != 0 ? procAddress<DeleteKeyExFunction>(GetModuleHandleW(L"advapi32.dll"),
                                                                    "RegDeleteKeyExW")
                                 : nullptr;
    if (deleteKeyEx) {
        deleteKeyEx(parent, path, view, 0);
    } else {
        RegDeleteKeyW(parent, path);
    }
}

// A path that names no key below the root: deleting it would delete the
// root's whole tree.
bool namesNoSubKey(const wchar_t* path) {
    if (!path) return true;
    while (*path == L'\\') ++path;
    return *path == L'\0';
}

bool keyIsEmpty(HKEY key) {
    DWORD subKeys = 0, values = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys == 0 && values == 0;
}

bool isInstanceOf(JNIEnv* env, jobject value, const char* className) {
    if (!value) return false;
    jclass type = env->FindClass(className);
    if (!type) return false;
    bool instance = env->IsInstanceOf(value, type);
    env->DeleteLocalRef(type);
    return instance;
}

// The data setValue0 writes: its registry type, its bytes in buffer, their count.
struct ValueData {
    DWORD type;
    BYTE* buffer;
    DWORD size;
};

bool marshalString(JNIEnv* env, jobject value, ValueData* data) {
    if (!isInstanceOf(env, value, "java/lang/String")) return false;
    JavaStringCopy text(env, static_cast<jstring>(value));
    if (!text.get()) return false;
    size_t units = std::wcslen(text.get());
    if (units > kLongestStringValue) units = kLongestStringValue;
    wchar_t* out = reinterpret_cast<wchar_t*>(data->buffer);
    std::memcpy(out, text.get(), units * sizeof(wchar_t));
    out[units] = L'\0';
    data->size = static_cast<DWORD>((units + 1) * sizeof(wchar_t));
    return true;
}

bool marshalDword(JNIEnv* env, jobject value, ValueData* data) {
    jclass integerClass = env->FindClass("java/lang/Integer");
    if (!integerClass) return false;
    bool instance = value && env->IsInstanceOf(value, integerClass);
    jmethodID intValue = instance ? env->GetMethodID(integerClass, "intValue", "()I") : nullptr;
    env->DeleteLocalRef(integerClass);
    if (!intValue) return false;
    DWORD number = static_cast<DWORD>(env->CallIntMethod(value, intValue));
    std::memcpy(data->buffer, &number, sizeof(number));
    data->size = sizeof(number);
    return true;
}

// Each element and its NUL, then the closing NUL. An empty element cannot be
// stored (its NUL would end the list), and the whole must fit the buffer.
bool marshalMultiString(JNIEnv* env, jobject value, ValueData* data) {
    if (!isInstanceOf(env, value, "[Ljava/lang/String;")) return false;
    jobjectArray array = static_cast<jobjectArray>(value);
    jsize count = env->GetArrayLength(array);
    wchar_t* out = reinterpret_cast<wchar_t*>(data->buffer);
    size_t used = 0;
    for (jsize i = 0; i < count; ++i) {
        jstring element = static_cast<jstring>(env->GetObjectArrayElement(array, i));
        JavaStringCopy text(env, element);
        if (element) env->DeleteLocalRef(element);
        size_t length = text.get() ? std::wcslen(text.get()) : 0;
        if (length == 0 || used + length + 2 > kValueBufferUnits) return false;
        std::memcpy(out + used, text.get(), (length + 1) * sizeof(wchar_t));
        used += length + 1;
    }
    out[used] = L'\0';
    data->size = static_cast<DWORD>(used * sizeof(wchar_t) + sizeof(wchar_t));
    return true;
}

bool marshalBinary(JNIEnv* env, jobject value, ValueData* data) {
    if (!isInstanceOf(env, value, "[B")) return false;
    jbyteArray array = static_cast<jbyteArray>(value);
    jsize length = env->GetArrayLength(array);
    if (length > static_cast<jsize>(kValueBufferBytes)) length = kValueBufferBytes;
    env->GetByteArrayRegion(array, 0, length, reinterpret_cast<jbyte*>(data->buffer));
    data->size = static_cast<DWORD>(length);
    return true;
}

// A value object of another class than its type code names is refused: the
// JNI calls on it would take it for what it is not.
bool marshalValue(JNIEnv* env, jobject value, jint type, ValueData* data) {
    switch (type) {
        case kString: data->type = REG_SZ; return marshalString(env, value, data);
        case kExpandString: data->type = REG_EXPAND_SZ; return marshalString(env, value, data);
        case kDword: data->type = REG_DWORD; return marshalDword(env, value, data);
        case kMultiString: data->type = REG_MULTI_SZ; return marshalMultiString(env, value, data);
        case kBinary: data->type = REG_BINARY; return marshalBinary(env, value, data);
        default: return false;
    }
}

// A string value's text: its units, without the NUL that usually ends it.
jstring stringValue(JNIEnv* env, const BYTE* buffer, DWORD size) {
    jsize units = static_cast<jsize>(size / sizeof(wchar_t));
    const wchar_t* text = reinterpret_cast<const wchar_t*>(buffer);
    if (size > 1 && units > 0 && text[units - 1] == L'\0') --units;
    return env->NewString(reinterpret_cast<const jchar*>(text), units);
}

jobject expandStringValue(JNIEnv* env, const BYTE* buffer, DWORD size) {
    jclass type = env->FindClass(kExpandStringClass);
    if (!type) return nullptr;
    jmethodID constructor = env->GetMethodID(type, "<init>", "(Ljava/lang/String;)V");
    jstring text = stringValue(env, buffer, size);
    jobject result = constructor && text ? env->NewObject(type, constructor, text) : nullptr;
    env->DeleteLocalRef(type);
    if (text) env->DeleteLocalRef(text);
    return result;
}

jobject binaryValue(JNIEnv* env, const BYTE* buffer, DWORD size) {
    jbyteArray array = env->NewByteArray(static_cast<jsize>(size));
    if (array) env->SetByteArrayRegion(array, 0, static_cast<jsize>(size), reinterpret_cast<const jbyte*>(buffer));
    return array;
}

// A REG_DWORD stored with fewer than four bytes reads as the bytes it has.
jobject dwordValue(JNIEnv* env, const BYTE* buffer, DWORD size) {
    DWORD number = 0;
    std::memcpy(&number, buffer, size < sizeof(number) ? size : sizeof(number));
    return boxInteger(env, static_cast<jint>(number));
}

// The strings of a multi-string, each ended by its NUL or by the end of the
// data: data that lacks its NULs must not be read past its end.
jobject multiStringValue(JNIEnv* env, const BYTE* buffer, DWORD size) {
    const wchar_t* text = reinterpret_cast<const wchar_t*>(buffer);
    size_t units = size / sizeof(wchar_t);
    TextList strings;
    for (size_t position = 0; position + 1 < units;) {
        size_t end = position;
        while (end < units && text[end] != L'\0') ++end;
        if (!strings.add(text + position, end - position)) return nullptr;
        position = end + 1;
    }
    return newJavaStringArray(env, strings);
}

jobject javaValue(JNIEnv* env, DWORD type, const BYTE* buffer, DWORD size) {
    switch (type) {
        case REG_SZ: return stringValue(env, buffer, size);
        case REG_EXPAND_SZ: return expandStringValue(env, buffer, size);
        case REG_BINARY: return binaryValue(env, buffer, size);
        case REG_DWORD: return dwordValue(env, buffer, size);
        case REG_MULTI_SZ: return multiStringValue(env, buffer, size);
        default: return nullptr;
    }
}

}  // namespace

// boolean keyExists0(int root, String key, int view)  (ILjava/lang/String;I)Z
extern "C" jboolean JNICALL TLX_JNI(Registry, keyExists0)(JNIEnv* env, jclass, jint root, jstring path, jint view) {
    ScopedRegistryKey key;
    return openKey(env, root, path, view, Access::kRead, &key);
}

// boolean createKey0(int root, String key, int view)  (ILjava/lang/String;I)Z
extern "C" jboolean JNICALL TLX_JNI(Registry, createKey0)(JNIEnv* env, jclass, jint root, jstring path, jint view) {
    ScopedRegistryKey key;
    return openKey(env, root, path, view, Access::kCreate, &key);
}

// Object getValue0(int root, String key, String name, int view)
// (ILjava/lang/String;Ljava/lang/String;I)Ljava/lang/Object;
extern "C" jobject JNICALL TLX_JNI(Registry, getValue0)(JNIEnv* env, jclass, jint root, jstring path, jstring name,
                                                       jint view) {
    ScopedRegistryKey key;
    if (!openKey(env, root, path, view, Access::kRead, &key)) return nullptr;
    HeapBuffer buffer(kValueBufferBytes);
    if (!buffer.get()) return nullptr;
    JavaStringCopy valueName(env, name);
    DWORD type = 0, size = kValueBufferBytes;
    if (RegQueryValueExW(key.get(), valueName.get(), nullptr, &type, buffer.get(), &size) != ERROR_SUCCESS) {
        return nullptr;
    }
    key.close();
    return javaValue(env, type, buffer.get(), size);
}

// boolean setValue0(int root, String key, String name, Object value, int type, int view)
// (ILjava/lang/String;Ljava/lang/String;Ljava/lang/Object;II)Z
extern "C" jboolean JNICALL TLX_JNI(Registry, setValue0)(JNIEnv* env, jclass, jint root, jstring path, jstring name,
                                                        jobject value, jint type, jint view) {
    ScopedRegistryKey key;
    if (!openKey(env, root, path, view, Access::kCreate, &key)) return JNI_FALSE;
    HeapBuffer buffer(kValueBufferBytes);
    if (!buffer.get()) return JNI_FALSE;
    ValueData data = {REG_NONE, buffer.get(), 0};
    if (!marshalValue(env, value, type, &data)) return JNI_FALSE;
    JavaStringCopy valueName(env, name);
    LONG status = RegSetValueExW(key.get(), valueName.get(), 0, data.type, data.buffer, data.size);
    if (status != ERROR_SUCCESS) {
        printDiagnostic("no success %d\n", static_cast<int>(status));
        return JNI_FALSE;
    }
    return JNI_TRUE;
}

// void deleteValue0(int root, String key, String name, int view)  (ILjava/lang/String;Ljava/lang/String;I)V
extern "C" void JNICALL TLX_JNI(Registry, deleteValue0)(JNIEnv* env, jclass, jint root, jstring path, jstring name,
                                                       jint view) {
    ScopedRegistryKey key;
    if (!openKey(env, root, path, view, Access::kReadWrite, &key)) return;
    JavaStringCopy valueName(env, name);
    RegDeleteValueW(key.get(), valueName.get());
}

// void deleteKey0(int root, String key, boolean onlyIfEmpty, int view)  (ILjava/lang/String;ZI)V
extern "C" void JNICALL TLX_JNI(Registry, deleteKey0)(JNIEnv* env, jclass, jint root, jstring path,
                                                     jboolean onlyIfEmpty, jint view) {
    HKEY parent = rootKey(root);
    JavaStringCopy copy(env, path);
    if (!parent || namesNoSubKey(copy.get())) return;
    if (onlyIfEmpty) {
        ScopedRegistryKey key;
        if (openBelow(parent, copy.get(), static_cast<REGSAM>(view), Access::kReadWrite, &key) &&
            !keyIsEmpty(key.get())) {
            return;
        }
    }
    deleteTree(parent, copy.get(), static_cast<REGSAM>(view));
}

// boolean saveKey0(int root, String key, String file, int view)  (ILjava/lang/String;Ljava/lang/String;I)Z
extern "C" jboolean JNICALL TLX_JNI(Registry, saveKey0)(JNIEnv* env, jclass, jint root, jstring path, jstring file,
                                                       jint view) {
    if (!switchPrivilege(L"SeBackupPrivilege", PrivilegeState::kEnabled)) return JNI_FALSE;
    ScopedRegistryKey key;
    if (!openKey(env, root, path, view, Access::kReadWrite, &key)) return JNI_FALSE;
    JavaStringCopy target(env, file);
    return RegSaveKeyW(key.get(), target.get(), nullptr) == ERROR_SUCCESS;
}

// boolean restoreKey0(int root, String key, String file, int view)  (ILjava/lang/String;Ljava/lang/String;I)Z
extern "C" jboolean JNICALL TLX_JNI(Registry, restoreKey0)(JNIEnv* env, jclass, jint root, jstring path,
                                                          jstring file, jint view) {
    if (!switchPrivilege(L"SeBackupPrivilege", PrivilegeState::kEnabled) ||
        !switchPrivilege(L"SeRestorePrivilege", PrivilegeState::kEnabled)) {
        return JNI_FALSE;
    }
    ScopedRegistryKey key;
    if (!openKey(env, root, path, view, Access::kCreate, &key)) return JNI_FALSE;
    JavaStringCopy source(env, file);
    return RegRestoreKeyW(key.get(), source.get(), 0) == ERROR_SUCCESS;
}

// String[] enumSubKeys0(int root, String key, int view)  (ILjava/lang/String;I)[Ljava/lang/String;
extern "C" jobjectArray JNICALL TLX_JNI(Registry, enumSubKeys0)(JNIEnv* env, jclass, jint root, jstring path,
                                                               jint view) {
    return namesOf(env, root, path, view, NameKind::kSubKey);
}

// String[] enumValues0(int root, String key, int view)  (ILjava/lang/String;I)[Ljava/lang/String;
extern "C" jobjectArray JNICALL TLX_JNI(Registry, enumValues0)(JNIEnv* env, jclass, jint root, jstring path,
                                                              jint view) {
    return namesOf(env, root, path, view, NameKind::kValue);
}

// void changeNotifyAssociations0()  ()V
extern "C" void JNICALL TLX_JNI(Registry, changeNotifyAssociations0)(JNIEnv*, jclass) {
    ShellFunctions shell;
    if (shellFunctions(&shell)) shell.changeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
