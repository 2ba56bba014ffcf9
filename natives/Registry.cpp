// The natives of the runtime's Registry class: keys and values of the Windows
// registry, key trees saved to and restored from hive files, and the shell's
// notice that file associations changed. Every call opens and closes its own
// keys; the view flags of the Java side are ORed into every access mask.
#include "natives/native_support.h"

#include <windows.h>
#include <jni.h>
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

// A value is read into a buffer of this size first, and into one of its
// own size when it is larger, up to the largest value written or read.
constexpr DWORD kFirstReadBytes = 100000;
constexpr size_t kMostValueBytes = 16 * 1024 * 1024;
// A value that keeps growing between size query and read is given up.
constexpr int kReadAttempts = 4;
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

// A key is created only below a path: RegCreateKeyExW takes no null one.
bool openKey(JNIEnv* env, jint root, jstring path, jint view, Access access, ScopedRegistryKey* key) {
    HKEY parent = rootKey(root);
    if (!parent) return false;
    JavaStringCopy copy(env, path);
    if (copy.refused() || (access == Access::kCreate && !copy.get())) return false;
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
    auto deleteKeyEx =
        view != 0 ? procAddress<DeleteKeyExFunction>(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW") : nullptr;
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

// The data setValue0 writes, whole: its registry type, its bytes and their
// count, in memory of its own (a multi-string in a text list).
struct ValueData {
    DWORD type = REG_NONE;
    ScopedMalloc<BYTE*> owned;
    TextList texts;
    const BYTE* bytes = nullptr;
    DWORD size = 0;
};

BYTE* allocate(ValueData* data, size_t size) {
    data->owned.reset(static_cast<BYTE*>(std::malloc(size ? size : 1)));
    data->bytes = data->owned.get();
    data->size = static_cast<DWORD>(size);
    return data->owned.get();
}

bool marshalString(JNIEnv* env, jobject value, ValueData* data) {
    if (!isInstanceOf(env, value, "java/lang/String")) return false;
    jstring string = static_cast<jstring>(value);
    if ((static_cast<size_t>(env->GetStringLength(string)) + 1) * sizeof(wchar_t) > kMostValueBytes) return false;
    JavaStringCopy text(env, string);
    size_t size = (text.length() + 1) * sizeof(wchar_t);
    if (!text.get() || !allocate(data, size)) return false;
    std::memcpy(data->owned.get(), text.get(), size);
    return true;
}

bool marshalDword(JNIEnv* env, jobject value, ValueData* data) {
    jclass integerClass = env->FindClass("java/lang/Integer");
    if (!integerClass) return false;
    bool instance = value && env->IsInstanceOf(value, integerClass);
    jmethodID intValue = instance ? env->GetMethodID(integerClass, "intValue", "()I") : nullptr;
    env->DeleteLocalRef(integerClass);
    if (!intValue || !allocate(data, sizeof(DWORD))) return false;
    DWORD number = static_cast<DWORD>(env->CallIntMethod(value, intValue));
    std::memcpy(data->owned.get(), &number, sizeof(number));
    return true;
}

// Each element and its NUL, then the closing NUL. An empty element cannot be
// stored (its NUL would end the list), nor one holding U+0000.
bool marshalMultiString(JNIEnv* env, jobject value, ValueData* data) {
    if (!isInstanceOf(env, value, "[Ljava/lang/String;")) return false;
    jobjectArray array = static_cast<jobjectArray>(value);
    jsize count = env->GetArrayLength(array);
    for (jsize i = 0; i < count; ++i) {
        jstring element = static_cast<jstring>(env->GetObjectArrayElement(array, i));
        JavaStringCopy text(env, element);
        if (element) env->DeleteLocalRef(element);
        if (text.length() == 0 || !data->texts.add(text.get(), text.length()) ||
            data->texts.units() * sizeof(wchar_t) >= kMostValueBytes) {
            return false;
        }
    }
    if (!data->texts.add(L"", 0)) return false;
    data->bytes = reinterpret_cast<const BYTE*>(data->texts.first());
    data->size = static_cast<DWORD>(data->texts.units() * sizeof(wchar_t));
    return true;
}

bool marshalBinary(JNIEnv* env, jobject value, ValueData* data) {
    if (!isInstanceOf(env, value, "[B")) return false;
    jbyteArray array = static_cast<jbyteArray>(value);
    jsize length = env->GetArrayLength(array);
    if (static_cast<size_t>(length) > kMostValueBytes || !allocate(data, static_cast<size_t>(length))) return false;
    env->GetByteArrayRegion(array, 0, length, reinterpret_cast<jbyte*>(data->owned.get()));
    return true;
}

// A value object of another class than its type code names is refused: the
// JNI calls on it would take it for what it is not. So is a value that could
// not be stored whole: a cut one would be reported as written.
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

// Reads the whole value, in a buffer grown to the size the registry reports
// while the value is larger than the buffer (up to kMostValueBytes).
LONG readValue(HKEY key, const wchar_t* name, DWORD* type, ScopedMalloc<BYTE*>* data, DWORD* size) {
    DWORD capacity = kFirstReadBytes;
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < kReadAttempts && status == ERROR_MORE_DATA; ++attempt) {
        data->reset(static_cast<BYTE*>(std::malloc(capacity)));
        if (!data->get()) return ERROR_NOT_ENOUGH_MEMORY;
        *size = capacity;
        status = RegQueryValueExW(key, name, nullptr, type, data->get(), size);
        if (status == ERROR_MORE_DATA && *size > kMostValueBytes) break;
        capacity = *size;
    }
    return status;
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

jobject multiStringValue(JNIEnv* env, const BYTE* buffer, DWORD size) {
    TextList strings;
    if (!splitMultiString(reinterpret_cast<const wchar_t*>(buffer), size / sizeof(wchar_t), &strings)) return nullptr;
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
    JavaStringCopy valueName(env, name);
    ScopedRegistryKey key;
    if (valueName.refused() || !openKey(env, root, path, view, Access::kRead, &key)) return nullptr;
    ScopedMalloc<BYTE*> data;
    DWORD type = 0, size = 0;
    if (readValue(key.get(), valueName.get(), &type, &data, &size) != ERROR_SUCCESS) return nullptr;
    key.close();
    return javaValue(env, type, data.get(), size);
}

// boolean setValue0(int root, String key, String name, Object value, int type, int view)
// (ILjava/lang/String;Ljava/lang/String;Ljava/lang/Object;II)Z
extern "C" jboolean JNICALL TLX_JNI(Registry, setValue0)(JNIEnv* env, jclass, jint root, jstring path, jstring name,
                                                         jobject value, jint type, jint view) {
    JavaStringCopy valueName(env, name);
    ValueData data;
    ScopedRegistryKey key;
    if (valueName.refused() || !marshalValue(env, value, type, &data) ||
        !openKey(env, root, path, view, Access::kCreate, &key)) {
        return JNI_FALSE;
    }
    LONG status = RegSetValueExW(key.get(), valueName.get(), 0, data.type, data.bytes, data.size);
    if (status != ERROR_SUCCESS) {
        printDiagnostic("no success %d\n", static_cast<int>(status));
        return JNI_FALSE;
    }
    return JNI_TRUE;
}

// void deleteValue0(int root, String key, String name, int view)  (ILjava/lang/String;Ljava/lang/String;I)V
extern "C" void JNICALL TLX_JNI(Registry, deleteValue0)(JNIEnv* env, jclass, jint root, jstring path, jstring name,
                                                        jint view) {
    JavaStringCopy valueName(env, name);
    ScopedRegistryKey key;
    if (valueName.refused() || !openKey(env, root, path, view, Access::kReadWrite, &key)) return;
    RegDeleteValueW(key.get(), valueName.get());
}

// void deleteKey0(int root, String key, boolean onlyIfEmpty, int view)  (ILjava/lang/String;ZI)V
extern "C" void JNICALL TLX_JNI(Registry, deleteKey0)(JNIEnv* env, jclass, jint root, jstring path,
                                                      jboolean onlyIfEmpty, jint view) {
    HKEY parent = rootKey(root);
    JavaStringCopy copy(env, path);
    if (!parent || copy.refused() || namesNoSubKey(copy.get())) return;
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
    JavaStringCopy target(env, file);
    if (!target.get() || !switchPrivilege(L"SeBackupPrivilege", PrivilegeState::kEnabled)) return JNI_FALSE;
    ScopedRegistryKey key;
    if (!openKey(env, root, path, view, Access::kReadWrite, &key)) return JNI_FALSE;
    return RegSaveKeyW(key.get(), target.get(), nullptr) == ERROR_SUCCESS;
}

// boolean restoreKey0(int root, String key, String file, int view)  (ILjava/lang/String;Ljava/lang/String;I)Z
extern "C" jboolean JNICALL TLX_JNI(Registry, restoreKey0)(JNIEnv* env, jclass, jint root, jstring path, jstring file,
                                                           jint view) {
    JavaStringCopy source(env, file);
    if (!source.get() || !switchPrivilege(L"SeBackupPrivilege", PrivilegeState::kEnabled) ||
        !switchPrivilege(L"SeRestorePrivilege", PrivilegeState::kEnabled)) {
        return JNI_FALSE;
    }
    ScopedRegistryKey key;
    if (!openKey(env, root, path, view, Access::kCreate, &key)) return JNI_FALSE;
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
