// The natives of the runtime's FolderInfo class: special folders, the Windows
// and system directories, drive types, short and universal path names. The
// functions older systems lack are bound on first use and kept for the life
// of the process.
#include "natives/native_support.h"

#include <windows.h>
#include <jni.h>
#include <shlobj.h>

#include <atomic>

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"
#include "natives/file_version.h"

namespace {

typedef HRESULT(WINAPI* FolderPathFunction)(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);
typedef HRESULT(WINAPI* KnownFolderPathFunction)(REFGUID folder, DWORD flags, HANDLE token, PWSTR* path);
typedef DWORD(WINAPI* UniversalNameFunction)(LPCWSTR localPath, DWORD level, LPVOID buffer, LPDWORD size);
typedef UINT(WINAPI* DirectoryFunction)(LPWSTR buffer, UINT size);

constexpr UINT kPathUnits = 32768;
constexpr DWORD kRegistryPathBytes = 32767;
constexpr DWORD kUniversalNameBytes = 65534;
constexpr DWORD kUniversalNameLevel = 1;  // UNIVERSAL_NAME_INFO_LEVEL
constexpr int kCreateFolder = 0x8000;     // CSIDL_FLAG_CREATE
constexpr DWORD kCurrentFolderPath = 0;   // SHGFP_TYPE_CURRENT
// {374DE290-123F-4565-9164-39C4925E467B}, the user's downloads folder.
constexpr GUID kDownloadsFolder = {0x374de290, 0x123f, 0x4565, {0x91, 0x64, 0x39, 0xc4, 0x92, 0x5e, 0x46, 0x7b}};

// A folder code of the Java side with its shell folder for the current user
// and for all users.
struct SpecialFolder {
    int user;
    int allUsers;
};

constexpr SpecialFolder kSpecialFolders[] = {
    {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY},  // 1
    {CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU},                // 2
    {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS},                  // 3
    {CSIDL_STARTUP, CSIDL_COMMON_STARTUP},                    // 4
    {CSIDL_SENDTO, CSIDL_SENDTO},                             // 5
    {CSIDL_FONTS, CSIDL_FONTS},                               // 6
    {CSIDL_APPDATA, CSIDL_COMMON_APPDATA},                    // 7
    {CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS},                 // 8
    {CSIDL_TEMPLATES, CSIDL_COMMON_TEMPLATES},                // 9
    {CSIDL_FAVORITES, CSIDL_COMMON_FAVORITES},                // 10
    {CSIDL_LOCAL_APPDATA, CSIDL_LOCAL_APPDATA},               // 11
};

int shellFolderOf(jint code, bool allUsers) {
    if (code < 1 || code > static_cast<jint>(sizeof(kSpecialFolders) / sizeof(kSpecialFolders[0]))) {
        return CSIDL_DESKTOP;
    }
    const SpecialFolder& folder = kSpecialFolders[code - 1];
    return allUsers ? folder.allUsers : folder.user;
}

// The SHGetFolderPathW to use, chosen once: a redistributed "_shfoldr.dll"
// when it is newer than (or not comparable with) the system's shfolder.dll.
FolderPathFunction folderPathProvider() {
    static std::atomic<FolderPathFunction> provider{nullptr};
    static std::atomic<bool> chosen{false};
    if (!chosen.load()) {
        LoadLibraryW(L"shell32.dll");
        FolderPathFunction found = nullptr;
        VersionComparison comparison = compareFileVersions(L"_shfoldr.dll", L"shfolder.dll");
        if (comparison == kVersionUnreadable || comparison == kFirstNewer) {
            found = procAddress<FolderPathFunction>(LoadLibraryW(L"_shfoldr.dll"), "SHGetFolderPathW");
        }
        if (!found) found = procAddress<FolderPathFunction>(LoadLibraryW(L"shfolder.dll"), "SHGetFolderPathW");
        provider.store(found);
        chosen.store(true);
    }
    return provider.load();
}

// A function bound again on every call while it is still missing.
template <typename Function>
Function boundOnce(std::atomic<Function>* cache, const wchar_t* library, const char* name) {
    Function function = cache->load();
    if (!function) {
        function = procAddress<Function>(LoadLibraryW(library), name);
        if (function) cache->store(function);
    }
    return function;
}

// The text a directory function writes into a buffer of kPathUnits, or null.
jstring directoryOf(JNIEnv* env, DirectoryFunction function) {
    HeapBuffer buffer(kPathUnits * sizeof(wchar_t));
    wchar_t* path = reinterpret_cast<wchar_t*>(buffer.get());
    if (!path) return nullptr;
    UINT length = function(path, kPathUnits - 1);
    if (length == 0 || length >= kPathUnits - 1) return nullptr;
    return env->NewString(reinterpret_cast<const jchar*>(path), static_cast<jsize>(length));
}

}  // namespace

// String getSpecialFolder0(int code, boolean allUsers)  (IZ)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(FolderInfo, getSpecialFolder0)(JNIEnv* env, jclass, jint code, jboolean allUsers) {
    FolderPathFunction provider = folderPathProvider();
    if (!provider) return nullptr;
    HeapBuffer buffer(kPathUnits * sizeof(wchar_t));
    wchar_t* path = reinterpret_cast<wchar_t*>(buffer.get());
    if (!path) return nullptr;
    path[0] = L'\0';
    HRESULT result =
        provider(nullptr, shellFolderOf(code, allUsers) | kCreateFolder, nullptr, kCurrentFolderPath, path);
    if (FAILED(result)) return nullptr;
    path[kPathUnits - 1] = L'\0';
    return newJavaString(env, path);
}

// String getPathFromRegistry0(String valueName)  (Ljava/lang/String;)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(FolderInfo, getPathFromRegistry0)(JNIEnv* env, jclass, jstring valueName) {
    ScopedRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE,
                      key.receive()) != ERROR_SUCCESS) {
        return nullptr;
    }
    // Room for a NUL behind the longest data read, which need not end in one.
    HeapBuffer buffer(kRegistryPathBytes + 3);
    if (!buffer.get()) return nullptr;
    JavaStringCopy name(env, valueName);
    DWORD size = kRegistryPathBytes;
    if (name.refused() ||
        RegQueryValueExW(key.get(), name.get(), nullptr, nullptr, buffer.get(), &size) != ERROR_SUCCESS) {
        return nullptr;
    }
    wchar_t* text = reinterpret_cast<wchar_t*>(buffer.get());
    text[size / sizeof(wchar_t)] = L'\0';
    return newJavaString(env, text);
}

// String getWindowsDirectory0()  ()Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(FolderInfo, getWindowsDirectory0)(JNIEnv* env, jclass) {
    // The shared Windows directory: on a terminal server GetWindowsDirectoryW
    // gives the user's private one.
    auto systemWindows =
        procAddress<DirectoryFunction>(GetModuleHandleW(L"Kernel32.DLL"), "GetSystemWindowsDirectoryW");
    jstring directory = systemWindows ? directoryOf(env, systemWindows) : nullptr;
    return directory ? directory : directoryOf(env, GetWindowsDirectoryW);
}

// String getSystemDirectory0()  ()Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(FolderInfo, getSystemDirectory0)(JNIEnv* env, jclass) {
    return directoryOf(env, GetSystemDirectoryW);
}

// int getDriveType0(String rootPath)  (Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(FolderInfo, getDriveType0)(JNIEnv* env, jclass, jstring rootPath) {
    JavaStringCopy root(env, rootPath);
    return root.refused() ? DRIVE_NO_ROOT_DIR : static_cast<jint>(GetDriveTypeW(root.get()));
}

// String getShortPathName0(String path)  (Ljava/lang/String;)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(FolderInfo, getShortPathName0)(JNIEnv* env, jclass, jstring path) {
    JavaStringCopy longPath(env, path);
    HeapBuffer buffer(kPathUnits * sizeof(wchar_t));
    wchar_t* shortPath = reinterpret_cast<wchar_t*>(buffer.get());
    if (!longPath.get() || !shortPath) return path;
    DWORD length = GetShortPathNameW(longPath.get(), shortPath, kPathUnits - 1);
    if (length == 0 || length >= kPathUnits - 1) return path;
    jstring result = env->NewString(reinterpret_cast<const jchar*>(shortPath), static_cast<jsize>(length));
    return result ? result : path;
}

// String getDownloadsDirectory0()  ()Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(FolderInfo, getDownloadsDirectory0)(JNIEnv* env, jclass) {
    static std::atomic<KnownFolderPathFunction> knownFolderPath{nullptr};
    auto function = boundOnce(&knownFolderPath, L"shell32.dll", "SHGetKnownFolderPath");
    if (!function) return nullptr;
    ScopedCoTaskMemory<wchar_t*> path;
    HRESULT result = function(kDownloadsFolder, 0, nullptr, path.receive());
    return SUCCEEDED(result) ? newJavaString(env, path.get()) : nullptr;
}

// String getUniversalPathName0(String path)  (Ljava/lang/String;)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(FolderInfo, getUniversalPathName0)(JNIEnv* env, jclass, jstring path) {
    static std::atomic<UniversalNameFunction> universalName{nullptr};
    auto function = boundOnce(&universalName, L"mpr.dll", "WNetGetUniversalNameW");
    if (!function) return path;
    JavaStringCopy localPath(env, path);
    HeapBuffer buffer(kUniversalNameBytes);
    if (!buffer.get()) return nullptr;
    DWORD size = kUniversalNameBytes;
    DWORD status =
        localPath.get() ? function(localPath.get(), kUniversalNameLevel, buffer.get(), &size) : ERROR_INVALID_PARAMETER;
    if (status != NO_ERROR) {
        wchar_t text[16];
        formatWide(text, sizeof(text) / sizeof(text[0]), L";%d", static_cast<int>(status));
        return newJavaString(env, text);
    }
    return newJavaString(env, reinterpret_cast<UNIVERSAL_NAME_INFOW*>(buffer.get())->lpUniversalName);
}
