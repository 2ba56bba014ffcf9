// The natives of the runtime's Misc class: restarting Windows, closing and
// ending other processes, the running processes with their executables, the
// environment block, memory and disk figures, moves and deletions at the next
// restart, the installer's windows to the front, another process's window
// title, and starting a program.
#include <jni.h>
#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"
#include "natives/native_support.h"
#include "natives/privilege.h"

namespace {

typedef BOOL(WINAPI* MemoryStatusExFunction)(LPMEMORYSTATUSEX status);
typedef BOOL(WINAPI* MoveFileExFunction)(LPCWSTR from, LPCWSTR to, DWORD flags);
typedef BOOL(WINAPI* EnumProcessesFunction)(DWORD* ids, DWORD bytes, DWORD* used);
typedef DWORD(WINAPI* ModuleFileNameExFunction)(HANDLE process, HMODULE module, LPWSTR name, DWORD size);
typedef BOOL(WINAPI* ImageNameFunction)(HANDLE process, DWORD flags, LPWSTR name, PDWORD size);
typedef HANDLE(WINAPI* SnapshotFunction)(DWORD kinds, DWORD process);
typedef BOOL(WINAPI* ProcessWalkFunction)(HANDLE snapshot, LPPROCESSENTRY32W entry);
typedef BOOL(WINAPI* ModuleWalkFunction)(HANDLE snapshot, LPMODULEENTRY32W entry);

// terminateProcesses0's results.
enum TerminateResult : jint {
    kNotAllReached = 0,   // force: some open or end failed; gentle: no window, or a close request failed
    kAllEnded = 1,
    kWaitFailed = 2,
    kTimedOut = 3,
};

constexpr size_t kEntryUnits = 4096;   // one running-module entry, one window title
constexpr DWORD kMostProcessIds = 8196;
constexpr DWORD kQueryInformation = 0x400;          // PROCESS_QUERY_INFORMATION
constexpr DWORD kQueryAndRead = 0x410;              // ... with PROCESS_VM_READ
constexpr DWORD kSnapshotEverything = 15;           // heap lists, processes, threads, modules
constexpr DWORD kSnapshotModules = 8;
constexpr UINT kSettingChangeTimeout = 5000;

HMODULE kernel32() { return GetModuleHandleW(L"Kernel32.DLL"); }

// The pid list of a Java int[], copied so that the array is released at once
// (without copy-back). A null array counts as an empty list.
std::vector<DWORD> processIds(JNIEnv* env, jintArray pids) {
    std::vector<DWORD> ids;
    if (!pids) return ids;
    jsize count = env->GetArrayLength(pids);
    jint* elements = env->GetIntArrayElements(pids, nullptr);
    if (!elements) return ids;
    ids.assign(elements, elements + count);
    env->ReleaseIntArrayElements(pids, elements, JNI_ABORT);
    return ids;
}

jint terminateByForce(const std::vector<DWORD>& ids) {
    jint result = kAllEnded;
    for (DWORD id : ids) {
        ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
        if (!process.valid() || !TerminateProcess(process.get(), 0)) result = kNotAllReached;
    }
    return result;
}

// The working data of one gentle close, handed to the window enumeration as
// its parameter, so that two Java threads closing at once keep apart.
struct CloseRequest {
    const std::vector<DWORD>* ids;
    std::vector<bool> windowSeen;
    jint result;
};

BOOL CALLBACK closeWindowOfListedProcess(HWND window, LPARAM parameter) {
    CloseRequest* request = reinterpret_cast<CloseRequest*>(parameter);
    if (!IsWindowVisible(window)) return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    bool listed = false;
    for (size_t i = 0; i < request->ids->size(); ++i) {
        if ((*request->ids)[i] == owner) {
            request->windowSeen[i] = true;
            listed = true;
        }
    }
    if (listed && !PostMessageW(window, WM_CLOSE, 0, 0)) request->result = kNotAllReached;
    return TRUE;
}

jint closeGently(const std::vector<DWORD>& ids, DWORD timeout) {
    CloseRequest request = {&ids, std::vector<bool>(ids.size(), false), kAllEnded};
    EnumWindows(closeWindowOfListedProcess, reinterpret_cast<LPARAM>(&request));
    for (bool seen : request.windowSeen) {
        if (!seen) request.result = kNotAllReached;
    }
    if (request.result != kAllEnded || ids.empty()) return request.result;

    std::vector<ScopedHandle> processes(ids.size());
    std::vector<HANDLE> handles;
    for (size_t i = 0; i < ids.size(); ++i) {
        processes[i].reset(OpenProcess(SYNCHRONIZE, FALSE, ids[i]));
        if (!processes[i].valid()) return kWaitFailed;
        handles.push_back(processes[i].get());
    }
    // One wait for all: more than MAXIMUM_WAIT_OBJECTS processes make it fail.
    DWORD waited = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, timeout);
    if (waited == WAIT_TIMEOUT) return kTimedOut;
    return waited == WAIT_OBJECT_0 ? kAllEnded : kWaitFailed;
}

// The search of one getWindowTitle0 call, the enumeration's parameter.
struct TitleSearch {
    DWORD processId;
    wchar_t title[kEntryUnits];
};

BOOL CALLBACK takeTitleOfProcessWindow(HWND window, LPARAM parameter) {
    TitleSearch* search = reinterpret_cast<TitleSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
    wchar_t title[kEntryUnits];
    if (GetWindowTextW(window, title, static_cast<int>(kEntryUnits)) <= 0) return TRUE;
    std::wcscpy(search->title, title);
    return IsWindowVisible(window) ? FALSE : TRUE;
}

BOOL CALLBACK bringOwnWindowToFront(HWND window, LPARAM) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == GetCurrentProcessId() && IsWindowVisible(window)) {
        SetForegroundWindow(window);
        SetForegroundWindow(GetLastActivePopup(window));
    }
    return TRUE;
}

bool endsWithTmp(const wchar_t* text) {
    size_t length = std::wcslen(text);
    return length >= 4 && _wcsicmp(text + length - 4, L".tmp") == 0;
}

// The process list through psapi: "%d " and the executable path per process.
// A ".tmp" image is a self-extracting program's copy of itself; its main
// module names what the user started.
void modulesByProcessList(std::vector<std::wstring>* entries) {
    HMODULE psapi = LoadLibraryW(L"Psapi.DLL");
    HMODULE kernel = LoadLibraryW(L"Kernel32.DLL");
    auto enumProcesses = procAddress<EnumProcessesFunction>(psapi, "EnumProcesses");
    auto moduleFileName = procAddress<ModuleFileNameExFunction>(psapi, "GetModuleFileNameExW");
    auto imageName = procAddress<ImageNameFunction>(kernel, "QueryFullProcessImageNameW");
    std::vector<DWORD> ids(kMostProcessIds);
    DWORD used = 0;
    if (enumProcesses && (moduleFileName || imageName) &&
        enumProcesses(ids.data(), kMostProcessIds * sizeof(DWORD), &used)) {
        for (DWORD i = 0; i < used / sizeof(DWORD); ++i) {
            if (ids[i] == 0) continue;
            ScopedHandle process(OpenProcess(imageName ? kQueryInformation : kQueryAndRead, FALSE, ids[i]));
            if (!process.valid()) continue;
            wchar_t entry[kEntryUnits];
            size_t prefix = formatWide(entry, kEntryUnits, L"%d ", static_cast<int>(ids[i]));
            DWORD room = static_cast<DWORD>(kEntryUnits - prefix);
            bool found = false;
            if (imageName) {
                found = imageName(process.get(), 0, entry + prefix, &room) != FALSE;
                if (found && moduleFileName && endsWithTmp(entry)) {
                    ScopedHandle reader(OpenProcess(kQueryAndRead, FALSE, ids[i]));
                    wchar_t main[kEntryUnits];
                    DWORD length = reader.valid() ? moduleFileName(reader.get(), nullptr, main, kEntryUnits - prefix) : 0;
                    if (length > 0 && length < kEntryUnits - prefix) std::wcscpy(entry + prefix, main);
                }
            } else {
                DWORD length = moduleFileName(process.get(), nullptr, entry + prefix, room);
                found = length > 0 && length < room;
            }
            if (found) entries->push_back(entry);
        }
    }
    if (psapi) FreeLibrary(psapi);
    if (kernel) FreeLibrary(kernel);
}

// The fallback through a tool-help snapshot: "%d %s", the id and the path of
// each process's first module. The record sizes are this build's own.
void modulesBySnapshot(std::vector<std::wstring>* entries) {
    HMODULE kernel = kernel32();
    auto snapshot = procAddress<SnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    auto firstProcess = procAddress<ProcessWalkFunction>(kernel, "Process32FirstW");
    auto nextProcess = procAddress<ProcessWalkFunction>(kernel, "Process32NextW");
    auto firstModule = procAddress<ModuleWalkFunction>(kernel, "Module32FirstW");
    if (!snapshot || !firstProcess || !nextProcess) {
        std::printf("could not load functions %p %p %p %p %p %d\n", reinterpret_cast<void*>(snapshot),
                    reinterpret_cast<void*>(firstProcess), reinterpret_cast<void*>(nextProcess),
                    reinterpret_cast<void*>(firstModule), static_cast<void*>(kernel),
                    static_cast<int>(GetLastError()));
        std::fflush(stdout);
        return;
    }
    ScopedHandle processes(snapshot(kSnapshotEverything, 0));
    if (!processes.valid() || !firstModule) return;
    PROCESSENTRY32W process = {};
    process.dwSize = sizeof(process);
    for (BOOL more = firstProcess(processes.get(), &process); more; more = nextProcess(processes.get(), &process)) {
        if (process.th32ProcessID == 0) continue;
        ScopedHandle modules(snapshot(kSnapshotModules, process.th32ProcessID));
        MODULEENTRY32W module = {};
        module.dwSize = sizeof(module);
        if (!modules.valid() || !firstModule(modules.get(), &module)) continue;
        wchar_t entry[kEntryUnits];
        formatWide(entry, kEntryUnits, L"%d %s", static_cast<int>(process.th32ProcessID), module.szExePath);
        entries->push_back(entry);
    }
}

jobjectArray stringArrayOf(JNIEnv* env, const std::vector<std::wstring>& strings) {
    std::vector<const wchar_t*> texts;
    for (const std::wstring& text : strings) texts.push_back(text.c_str());
    return newJavaStringArray(env, texts.data(), static_cast<jsize>(texts.size()));
}

}  // namespace

// void reboot0()  ()V
extern "C" void JNICALL TLX_JNI(Misc, reboot0)(JNIEnv*, jclass) {
    if (switchPrivilege(L"SeShutdownPrivilege", PrivilegeState::kEnabled)) ExitWindowsEx(EWX_REBOOT, 0);
}

// String[] getRunningModules0(boolean keepDebugPrivilegeOff)  (Z)[Ljava/lang/String;
extern "C" jobjectArray JNICALL TLX_JNI(Misc, getRunningModules0)(JNIEnv* env, jclass,
                                                                 jboolean keepDebugPrivilegeOff) {
    switchPrivilege(L"SeDebugPrivilege", keepDebugPrivilegeOff ? PrivilegeState::kDisabled : PrivilegeState::kEnabled);
    std::vector<std::wstring> entries;
    modulesByProcessList(&entries);
    if (entries.empty()) modulesBySnapshot(&entries);
    return entries.empty() ? nullptr : stringArrayOf(env, entries);
}

// String[] getEnvVarPairs0()  ()[Ljava/lang/String;
extern "C" jobjectArray JNICALL TLX_JNI(Misc, getEnvVarPairs0)(JNIEnv* env, jclass) {
    std::vector<std::wstring> pairs;
    wchar_t* block = GetEnvironmentStringsW();
    if (block) {
        for (const wchar_t* entry = block; *entry; entry += std::wcslen(entry) + 1) pairs.push_back(entry);
        FreeEnvironmentStringsW(block);
    }
    return stringArrayOf(env, pairs);
}

// void broadcastSettingChange0()  ()V
extern "C" void JNICALL TLX_JNI(Misc, broadcastSettingChange0)(JNIEnv*, jclass) {
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                        SMTO_ABORTIFHUNG, kSettingChangeTimeout, nullptr);
}

// long getPhysicalMemory0()  ()J
extern "C" jlong JNICALL TLX_JNI(Misc, getPhysicalMemory0)(JNIEnv*, jclass) {
    auto memoryStatusEx = procAddress<MemoryStatusExFunction>(kernel32(), "GlobalMemoryStatusEx");
    if (memoryStatusEx) {
        MEMORYSTATUSEX status = {};
        status.dwLength = sizeof(status);
        if (memoryStatusEx(&status)) return static_cast<jlong>(status.ullTotalPhys);
        std::printf("error %d\n", static_cast<int>(GetLastError()));
        std::fflush(stdout);
    }
    MEMORYSTATUS status = {};
    status.dwLength = sizeof(status);
    GlobalMemoryStatus(&status);
    return static_cast<jlong>(status.dwTotalPhys);
}

// long getFreeDiskSpace0(String directory)  (Ljava/lang/String;)J
extern "C" jlong JNICALL TLX_JNI(Misc, getFreeDiskSpace0)(JNIEnv* env, jclass, jstring directory) {
    JavaStringCopy path(env, directory);
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExW(path.get(), &available, nullptr, nullptr)) return -1;
    return static_cast<jlong>(available.QuadPart);
}

// boolean moveWithDelayUntilReboot0(String from, String to)  (Ljava/lang/String;Ljava/lang/String;)Z
extern "C" jboolean JNICALL TLX_JNI(Misc, moveWithDelayUntilReboot0)(JNIEnv* env, jclass, jstring from, jstring to) {
    static std::atomic<MoveFileExFunction> moveFileEx{nullptr};
    MoveFileExFunction move = moveFileEx.load();
    if (!move) {
        move = procAddress<MoveFileExFunction>(kernel32(), "MoveFileExW");
        if (!move) return JNI_FALSE;
        moveFileEx.store(move);
    }
    JavaStringCopy source(env, from);
    JavaStringCopy target(env, to);
    return move(source.get(), target.get(), MOVEFILE_DELAY_UNTIL_REBOOT) ? JNI_TRUE : JNI_FALSE;
}

// void toFront0()  ()V
extern "C" void JNICALL TLX_JNI(Misc, toFront0)(JNIEnv*, jclass) {
    EnumWindows(bringOwnWindowToFront, 0);
}

// int terminateProcesses0(int[] pids, boolean force, int timeoutMillis)  ([IZI)I
extern "C" jint JNICALL TLX_JNI(Misc, terminateProcesses0)(JNIEnv* env, jclass, jintArray pids, jboolean force,
                                                          jint timeoutMillis) {
    std::vector<DWORD> ids = processIds(env, pids);
    return force ? terminateByForce(ids) : closeGently(ids, static_cast<DWORD>(timeoutMillis));
}

// String getWindowTitle0(int pid)  (I)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(Misc, getWindowTitle0)(JNIEnv* env, jclass, jint pid) {
    HeapBuffer memory(sizeof(TitleSearch));
    TitleSearch* search = reinterpret_cast<TitleSearch*>(memory.get());
    if (!search) return nullptr;
    search->processId = static_cast<DWORD>(pid);
    search->title[0] = L'\0';
    EnumWindows(takeTitleOfProcessWindow, reinterpret_cast<LPARAM>(search));
    return newJavaString(env, search->title);
}

// int launch0(String applicationName, String commandLine)  (Ljava/lang/String;Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(Misc, launch0)(JNIEnv* env, jclass, jstring applicationName, jstring commandLine) {
    JavaStringCopy application(env, applicationName);
    JavaStringCopy line(env, commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(application.get(), line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &started)) {
        return static_cast<jint>(GetLastError());
    }
    // Not waited for: the handles are not needed.
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return 0;
}
