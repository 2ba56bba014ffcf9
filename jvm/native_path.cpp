// DLL search directories (looked up at run time: older systems lack them),
// the configured native library directories in front of PATH, and the common
// controls taken from the system directory only.
#include "jvm/native_path.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "jvm/expand.h"
#include "jvm/path_variable.h"
#include "launcher/base/code_page.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/list_items.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/proc_address.h"
#include "payload/config.h"

namespace {

typedef void*(WINAPI* AddDllDirectoryFunction)(const wchar_t*);
typedef BOOL(WINAPI* RemoveDllDirectoryFunction)(void*);
typedef void(WINAPI* InitCommonControlsFunction)();

constexpr size_t kNativePathCapacity = 48000;
constexpr DWORD kLoadLibrarySearchSystem32 = 0x800;

HMODULE kernel32() { return GetModuleHandleA("kernel32.dll"); }

HMODULE loadFromSystemDirectory(const char* name) {
    HMODULE module = LoadLibraryExA(name, nullptr, kLoadLibrarySearchSystem32);
    if (module) return module;
    // Systems without the search flags reject it; the full system path keeps
    // the search limited there too.
    char path[MAX_PATH + 32];
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::snprintf(path + n, sizeof(path) - n, "\\%s", name);
    return LoadLibraryA(path);
}

}  // namespace

void* addLauncherDllDirectory(const char* directory) {
    auto add = procAddress<AddDllDirectoryFunction>(kernel32(), "AddDllDirectory");
    if (!add) return nullptr;
    wchar_t wide[kPathCapacity];
    if (!fromFileCodePage(directory, wide, kPathCapacity)) return nullptr;
    logMessage(L"Adding DLL directory %s", wide);
    return add(wide);
}

void removeLauncherDllDirectory(void* cookie) {
    if (!cookie) return;
    auto remove = procAddress<RemoveDllDirectoryFunction>(kernel32(), "RemoveDllDirectory");
    if (!remove) return;
    logMessage(L"Removing DLL directory");
    remove(cookie);
}

void setupNativeLibraryPath() {
    char directories[kPathCapacity];
    getConfigString(kKeyNativeLibraryDirs, directories, sizeof(directories));
    logMessage(L"native lib dir is %S", directories);
    expandVariablesAnsi(directories, sizeof(directories));

    std::string prefix;
    const char* cursor = directories;
    char piece[kPathCapacity];
    while (nextListItem(&cursor, ';', piece, sizeof(piece))) {
        char full[kPathCapacity];
        if (!fullPath(piece, kKeepCase, full, sizeof(full))) continue;
        addLauncherDllDirectory(full);
        if (!prefix.empty()) prefix += ';';
        prefix += full;
    }
    if (!prefix.empty()) prefix += ';';

    PathVariable path = readPathVariable();
    path.value = prefix + path.value;
    if (path.value.size() > kNativePathCapacity - 1) path.value.resize(kNativePathCapacity - 1);
    path.present = true;
    setPathVariable(path, L"Setting PATH (native libs)");
}

void loadCommonControls() {
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    if (!comctl) comctl = loadFromSystemDirectory("comctl32.dll");
    if (!comctl) return;
    auto init = procAddress<InitCommonControlsFunction>(comctl, "InitCommonControls");
    if (init) init();
}
