// The natives of the runtime's Misc class: restarting Windows, closing and
// ending other processes, the running processes with their executables, the
// environment block, memory and disk figures, moves and deletions at the next
// restart, the installer's windows to the front, another process's window
// title, and starting a program.
#include "natives/native_support.h"

#include <windows.h>
#include <jni.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstring>
#include <cwchar>

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"
#include "natives/diagnostic.h"
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
    kNotAllReached = 0,  // force: some open or end failed; gentle: no window, or a close request failed
    kAllEnded = 1,
    kWaitFailed = 2,
    kTimedOut = 3,
};

constexpr size_t kEntryUnits = 4096;  // one running-module entry, one window title
constexpr DWORD kMostProcessIds = 8196;
constexpr DWORD kQueryInformation = 0x400;  // PROCESS_QUERY_INFORMATION
constexpr DWORD kQueryAndRead = 0x410;      // ... with PROCESS_VM_READ
constexpr DWORD kSnapshotEverything = 15;   // heap lists, processes, threads, modules
constexpr DWORD kSnapshotModules = 8;
constexpr UINT kSettingChangeTimeout = 5000;
// CreateProcessW takes no longer application name or command line (with its NUL).
constexpr size_t kMostCommandUnits = 32767;

HMODULE kernel32() { return GetModuleHandleW(L"Kernel32.DLL"); }

// The pid list of a Java int[], copied so that the array is released at once
// (without copy-back). A null array counts as an empty list.
class ProcessIds {
public:
    ProcessIds(JNIEnv* env, jintArray pids) {
        if (!pids) return;
        jsize count = env->GetArrayLength(pids);
        jint* elements = env->GetIntArrayElements(pids, nullptr);
        if (!elements) return;
        ids_.reset(static_cast<DWORD*>(std::malloc(static_cast<size_t>(count) * sizeof(DWORD) + 1)));
        if (ids_.get()) {
            std::memcpy(ids_.get(), elements, static_cast<size_t>(count) * sizeof(DWORD));
            count_ = static_cast<size_t>(count);
        } else {
            complete_ = false;
        }
        env->ReleaseIntArrayElements(pids, elements, JNI_ABORT);
    }
    // False when the list could not be copied (no memory).
    bool complete() const { return complete_; }
    size_t count() const { return count_; }
    DWORD operator[](size_t i) const { return ids_.get()[i]; }

private:
    ScopedMalloc<DWORD*> ids_;
    size_t count_ = 0;
    bool complete_ = true;
};

jint terminateByForce(const ProcessIds& ids) {
    jint result = kAllEnded;
    for (size_t i = 0; i < ids.count(); ++i) {
        ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, ids[i]));
        if (!process.valid() || !TerminateProcess(process.get(), 0)) result = kNotAllReached;
    }
    return result;
}

// The working data of one gentle close, handed to the window enumeration as
// its parameter, so that two Java threads closing at once keep apart.
struct CloseRequest {
    const ProcessIds* ids;
    bool* windowSeen;
    jint result;
};

BOOL CALLBACK closeWindowOfListedProcess(HWND window, LPARAM parameter) {
    CloseRequest* request = reinterpret_cast<CloseRequest*>(parameter);
    if (!IsWindowVisible(window)) return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    bool listed = false;
    for (size_t i = 0; i < request->ids->count(); ++i) {
        if ((*request->ids)[i] == owner) {
            request->windowSeen[i] = true;
            listed = true;
        }
    }
    if (listed && !PostMessageW(window, WM_CLOSE, 0, 0)) request->result = kNotAllReached;
    return TRUE;
}

// Waits for all listed processes at once; more than MAXIMUM_WAIT_OBJECTS
// make the wait fail.
jint waitForAll(const ProcessIds& ids, DWORD timeout) {
    size_t count = ids.count();
    HeapBuffer memory(count * sizeof(HANDLE) + 1);
    HANDLE* handles = reinterpret_cast<HANDLE*>(memory.get());
    if (!handles) return kWaitFailed;
    size_t opened = 0;
    for (; opened < count; ++opened) {
        handles[opened] = OpenProcess(SYNCHRONIZE, FALSE, ids[opened]);
        if (!handles[opened]) break;
    }
    jint result = kWaitFailed;
    if (opened == count) {
        DWORD waited = WaitForMultipleObjects(static_cast<DWORD>(count), handles, TRUE, timeout);
        result = waited == WAIT_TIMEOUT ? kTimedOut : waited == WAIT_OBJECT_0 ? kAllEnded : kWaitFailed;
    }
    for (size_t i = 0; i < opened; ++i) CloseHandle(handles[i]);
    return result;
}

jint closeGently(const ProcessIds& ids, DWORD timeout) {
    HeapBuffer marks(ids.count() + 1);
    if (!marks.get()) return kNotAllReached;
    CloseRequest request = {&ids, reinterpret_cast<bool*>(marks.get()), kAllEnded};
    std::memset(request.windowSeen, 0, ids.count() * sizeof(bool));
    EnumWindows(closeWindowOfListedProcess, reinterpret_cast<LPARAM>(&request));
    for (size_t i = 0; i < ids.count(); ++i) {
        if (!request.windowSeen[i]) request.result = kNotAllReached;
    }
    // Nothing listed: nothing to wait for.
    if (request.result != kAllEnded || ids.count() == 0) return request.result;
    return waitForAll(ids, timeout);
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
void modulesByProcessList(TextList* entries) {
    HMODULE psapi = LoadLibraryW(L"Psapi.DLL");
    HMODULE kernel = LoadLibraryW(L"Kernel32.DLL");
    auto enumProcesses = procAddress<EnumProcessesFunction>(psapi, "EnumProcesses");
    auto moduleFileName = procAddress<ModuleFileNameExFunction>(psapi, "GetModuleFileNameExW");
    auto imageName = procAddress<ImageNameFunction>(kernel, "QueryFullProcessImageNameW");
    HeapBuffer memory(kMostProcessIds * sizeof(DWORD));
    DWORD* ids = reinterpret_cast<DWORD*>(memory.get());
    DWORD used = 0;
    if (ids && enumProcesses && (moduleFileName || imageName) &&
        enumProcesses(ids, kMostProcessIds * sizeof(DWORD), &used)) {
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
                    DWORD length =
                        reader.valid() ? moduleFileName(reader.get(), nullptr, main, kEntryUnits - prefix) : 0;
                    if (length > 0 && length < kEntryUnits - prefix) std::wcscpy(entry + prefix, main);
                }
            } else {
                DWORD length = moduleFileName(process.get(), nullptr, entry + prefix, room);
                found = length > 0 && length < room;
            }
            if (found && !entries->add(entry)) break;
        }
    }
    if (psapi) FreeLibrary(psapi);
    if (kernel) FreeLibrary(kernel);
}

// The fallback through a tool-help snapshot: "%d %s", the id and the path of
// each process's first module. The record sizes are this build's own.
void modulesBySnapshot(TextList* entries) {
    HMODULE kernel = kernel32();
    auto snapshot = procAddress<SnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    auto firstProcess = procAddress<ProcessWalkFunction>(kernel, "Process32FirstW");
    auto nextProcess = procAddress<ProcessWalkFunction>(kernel, "Process32NextW");
    auto firstModule = procAddress<ModuleWalkFunction>(kernel, "Module32FirstW");
    if (!snapshot || !firstProcess || !nextProcess) {
        printDiagnostic("could not load functions %p %p %p %p %p %d\n", reinterpret_cast<void*>(snapshot),
                        reinterpret_cast<void*>(firstProcess), reinterpret_cast<void*>(nextProcess),
                        reinterpret_cast<void*>(firstModule), static_cast<void*>(kernel),
                        static_cast<int>(GetLastError()));
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
        if (!entries->add(entry)) return;
    }
}

}  // namespace

// void reboot0()  ()V
extern "C" void JNICALL TLX_JNI(Misc, reboot0)(JNIEnv*, jclass) {
    if (switchPrivilege(L"SeShutdownPrivilege", PrivilegeState::kEnabled)) ExitWindowsEx(EWX_REBOOT, 0);
}

// String[] getRunningModules0(boolean keepDebugPrivilegeOff)  (Z)[Ljava/lang/String;
extern "C" jobjectArray JNICALL TLX_JNI(Misc, getRunningModules0)(JNIEnv* env, jclass, jboolean keepDebugPrivilegeOff) {
    switchPrivilege(L"SeDebugPrivilege", keepDebugPrivilegeOff ? PrivilegeState::kDisabled : PrivilegeState::kEnabled);
    TextList entries;
    modulesByProcessList(&entries);
    if (entries.count() == 0) modulesBySnapshot(&entries);
    return entries.count() == 0 ? nullptr : newJavaStringArray(env, entries);
}

// String[] getEnvVarPairs0()  ()[Ljava/lang/String;
extern "C" jobjectArray JNICALL TLX_JNI(Misc, getEnvVarPairs0)(JNIEnv* env, jclass) {
    TextList pairs;
    wchar_t* block = GetEnvironmentStringsW();
    bool complete = true;
    if (block) {
        for (const wchar_t* entry = block; *entry && complete; entry += std::wcslen(entry) + 1) {
            complete = pairs.add(entry);
        }
        FreeEnvironmentStringsW(block);
    }
    return complete ? newJavaStringArray(env, pairs) : nullptr;
}

// void broadcastSettingChange0()  ()V
extern "C" void JNICALL TLX_JNI(Misc, broadcastSettingChange0)(JNIEnv*, jclass) {
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"), SMTO_ABORTIFHUNG,
                        kSettingChangeTimeout, nullptr);
}

// long getPhysicalMemory0()  ()J
extern "C" jlong JNICALL TLX_JNI(Misc, getPhysicalMemory0)(JNIEnv*, jclass) {
    auto memoryStatusEx = procAddress<MemoryStatusExFunction>(kernel32(), "GlobalMemoryStatusEx");
    if (memoryStatusEx) {
        MEMORYSTATUSEX status = {};
        status.dwLength = sizeof(status);
        if (memoryStatusEx(&status)) return static_cast<jlong>(status.ullTotalPhys);
        printDiagnostic("error %d\n", static_cast<int>(GetLastError()));
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
    if (path.refused() || !GetDiskFreeSpaceExW(path.get(), &available, nullptr, nullptr)) return -1;
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
    // A refused target must not read as none: that would delete the source.
    if (!source.get() || target.refused()) return JNI_FALSE;
    return move(source.get(), target.get(), MOVEFILE_DELAY_UNTIL_REBOOT) ? JNI_TRUE : JNI_FALSE;
}

// void toFront0()  ()V
extern "C" void JNICALL TLX_JNI(Misc, toFront0)(JNIEnv*, jclass) { EnumWindows(bringOwnWindowToFront, 0); }

// int terminateProcesses0(int[] pids, boolean force, int timeoutMillis)  ([IZI)I
extern "C" jint JNICALL TLX_JNI(Misc, terminateProcesses0)(JNIEnv* env, jclass, jintArray pids, jboolean force,
                                                           jint timeoutMillis) {
    ProcessIds ids(env, pids);
    if (!ids.complete()) return kNotAllReached;
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
// Without either string there is nothing to start, and one too long for the
// system is refused before it reaches the system (error 87 for both).
extern "C" jint JNICALL TLX_JNI(Misc, launch0)(JNIEnv* env, jclass, jstring applicationName, jstring commandLine) {
    JavaStringCopy application(env, applicationName);
    JavaStringCopy line(env, commandLine);
    if (anyRefused(application, line) || (!application.get() && !line.get()) ||
        application.length() >= kMostCommandUnits || line.length() >= kMostCommandUnits) {
        return ERROR_INVALID_PARAMETER;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(application.get(), line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &started)) {
        return static_cast<jint>(GetLastError());
    }
    // Not waited for: the handles are not needed.
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    return 0;
}
