// The natives of the runtime's Win32Services class: installing, configuring,
// starting, stopping, querying and removing services of the local machine.
// Every call opens the service manager and the service, acts and closes both;
// results are 0, a Windows error code, or the two codes of our own below.
#include "natives/native_support.h"

#include <windows.h>
#include <jni.h>

#include <cwchar>

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"
#include "natives/secret_copy.h"

namespace {

enum ServiceResult : jint {
    kSucceeded = 0,
    kNoChangeConfig2 = 1,           // setRestartServiceConfig0: the system lacks ChangeServiceConfig2W
    kServiceManagerFailure = 5000,  // the service control manager cannot be opened
    kStopFailure = 5001,            // the stop was accepted but the service never reached "stopped"
};

constexpr DWORD kConfigBytes = 8192;
constexpr size_t kBinaryUnits = 8192;
constexpr size_t kDependencyUnits = 8192;
constexpr DWORD kStopWaitPauseMillis = 500;
constexpr DWORD kStopAccess = SERVICE_STOP | SERVICE_QUERY_STATUS;
constexpr DWORD kRestartConfigAccess = SERVICE_CHANGE_CONFIG | SERVICE_START;

typedef BOOL(WINAPI* ChangeConfig2Function)(SC_HANDLE service, DWORD level, LPVOID info);

jint lastError() { return static_cast<jint>(GetLastError()); }

// The manager and one service opened for a call. Without a name (none
// given, or one refused) nothing is opened: 87; a manager that does not
// open: 5000; a service that does not open: the open's error.
class OpenedService {
public:
    OpenedService(const wchar_t* name, DWORD managerAccess, DWORD serviceAccess) {
        if (!name) return;
        manager_.reset(OpenSCManagerW(nullptr, nullptr, managerAccess));
        if (!manager_.valid()) {
            error_ = kServiceManagerFailure;
            return;
        }
        service_.reset(OpenServiceW(manager_.get(), name, serviceAccess));
        if (!service_.valid()) error_ = lastError();
    }
    bool serviceOpen() const { return service_.valid(); }
    // The code for a service that is not open.
    jint failure() const { return error_; }
    SC_HANDLE get() const { return service_.get(); }

private:
    ScopedServiceHandle manager_;
    ScopedServiceHandle service_;
    jint error_ = ERROR_INVALID_PARAMETER;
};

ChangeConfig2Function changeConfig2() {
    return procAddress<ChangeConfig2Function>(GetModuleHandleW(L"advapi32.dll"), "ChangeServiceConfig2W");
}

// After an accepted stop request: waits while the service says it is
// stopping, for as long as it advances its check point, else for its wait hint.
bool waitUntilStopped(SC_HANDLE service) {
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service, &status)) return false;
    DWORD since = GetTickCount();
    DWORD checkPoint = status.dwCheckPoint;
    while (status.dwCurrentState == SERVICE_STOP_PENDING) {
        Sleep(kStopWaitPauseMillis);
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCheckPoint > checkPoint) {
            since = GetTickCount();
            checkPoint = status.dwCheckPoint;
        } else if (GetTickCount() - since > status.dwWaitHint) {
            break;
        }
    }
    return status.dwCurrentState == SERVICE_STOPPED;
}

// The comma-separated names as a list of NUL-terminated names ending in a
// second NUL; empty names are left out. False when the list would not fit:
// a list cut short would name other services than asked for.
bool buildDependencyList(const wchar_t* names, wchar_t* list, size_t capacity) {
    size_t used = 0;
    for (const wchar_t* at = names; at && *at;) {
        size_t length = std::wcscspn(at, L",");
        if (length > 0) {
            if (used + length + 2 > capacity) return false;  // the name, its NUL, the final NUL
            std::wmemcpy(list + used, at, length);
            used += length;
            list[used++] = L'\0';
        }
        at += length;
        if (*at == L',') ++at;
    }
    list[used] = L'\0';
    if (used == 0) list[1] = L'\0';  // no names at all: two NULs
    return true;
}

// The service runs as the local system account under that account's own name.
const wchar_t* serviceAccount(const wchar_t* account) {
    if (account && (std::wcscmp(account, L"NT AUTHORITY\\System") == 0 ||
                    std::wcscmp(account, L"NT AUTHORITY\\LocalSystem") == 0)) {
        return L"LocalSystem";
    }
    return account;
}

// QueryServiceConfigW into the 8,192-byte buffer: the configuration, or null
// with the failure code in *result.
QUERY_SERVICE_CONFIGW* queryConfig(JNIEnv* env, jstring name, HeapBuffer& buffer, jint* result) {
    JavaStringCopy service(env, name);
    OpenedService opened(service.get(), SC_MANAGER_CONNECT, SERVICE_QUERY_CONFIG);
    if (!opened.serviceOpen()) {
        *result = opened.failure();
        return nullptr;
    }
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.get());
    DWORD needed = 0;
    if (!config) {
        *result = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    if (!QueryServiceConfigW(opened.get(), config, kConfigBytes, &needed)) {
        *result = lastError();
        return nullptr;
    }
    return config;
}

}  // namespace

// int installService0(String name, String displayName, String binaryPath)
// (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;)I
// On demand, own process, as LocalSystem (no account given).
extern "C" jint JNICALL TLX_JNI(Win32Services, installService0)(JNIEnv* env, jclass, jstring name, jstring displayName,
                                                                jstring binaryPath) {
    JavaStringCopy service(env, name);
    JavaStringCopy display(env, displayName);
    JavaStringCopy binary(env, binaryPath);
    if (!service.get() || display.refused() || !binary.get()) return ERROR_INVALID_PARAMETER;
    ScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager.valid()) return kServiceManagerFailure;
    ScopedServiceHandle created(CreateServiceW(manager.get(), service.get(), display.get(), SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                               binary.get(), nullptr, nullptr, nullptr, nullptr, nullptr));
    return created.valid() ? kSucceeded : lastError();
}

// int changeServiceConfig0(String name, String displayName, String binaryPath, int serviceType, int startType,
//                          String dependencies, String account, String password, String description)
// (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IILjava/lang/String;Ljava/lang/String;
//  Ljava/lang/String;Ljava/lang/String;)I
// A null display name, binary path, account or password leaves that setting
// as it is; the dependencies are always replaced (null or "" removes them).
extern "C" jint JNICALL TLX_JNI(Win32Services, changeServiceConfig0)(JNIEnv* env, jclass, jstring name,
                                                                     jstring displayName, jstring binaryPath,
                                                                     jint serviceType, jint startType,
                                                                     jstring dependencies, jstring account,
                                                                     jstring password, jstring description) {
    JavaStringCopy service(env, name);
    OpenedService opened(service.get(), SC_MANAGER_ALL_ACCESS, SERVICE_ALL_ACCESS);
    if (!opened.serviceOpen()) return opened.failure();
    JavaStringCopy display(env, displayName);
    JavaStringCopy binary(env, binaryPath);
    JavaStringCopy dependencyNames(env, dependencies);
    JavaStringCopy accountName(env, account);
    SecretCopy accountPassword(env, password);
    JavaStringCopy describe(env, description);
    if (anyRefused(display, binary, dependencyNames, accountName, accountPassword, describe)) {
        return ERROR_INVALID_PARAMETER;
    }

    HeapBuffer list(kDependencyUnits * sizeof(wchar_t));
    if (!list.get()) return ERROR_NOT_ENOUGH_MEMORY;
    auto* dependencyList = reinterpret_cast<wchar_t*>(list.get());
    if (!buildDependencyList(dependencyNames.get(), dependencyList, kDependencyUnits)) return ERROR_INVALID_PARAMETER;

    BOOL changed = ChangeServiceConfigW(opened.get(), static_cast<DWORD>(serviceType), static_cast<DWORD>(startType),
                                        SERVICE_NO_CHANGE, binary.get(), nullptr, nullptr, dependencyList,
                                        serviceAccount(accountName.get()), accountPassword.get(), display.get());
    if (!changed) return lastError();
    ChangeConfig2Function setConfig2 = changeConfig2();
    if (describe.get() && setConfig2) {
        SERVICE_DESCRIPTIONW text = {describe.data()};
        setConfig2(opened.get(), SERVICE_CONFIG_DESCRIPTION, &text);  // a missing description is no failure
    }
    return kSucceeded;
}

// int setRestartServiceConfig0(String name, boolean restart, int delayMillis)  (Ljava/lang/String;ZI)I
// Restart false writes a record without actions, which clears earlier ones.
extern "C" jint JNICALL TLX_JNI(Win32Services, setRestartServiceConfig0)(JNIEnv* env, jclass, jstring name,
                                                                         jboolean restart, jint delayMillis) {
    JavaStringCopy service(env, name);
    OpenedService opened(service.get(), SC_MANAGER_ALL_ACCESS, kRestartConfigAccess);
    if (!opened.serviceOpen()) return opened.failure();
    if (!GetModuleHandleW(L"advapi32.dll")) return kSucceeded;
    ChangeConfig2Function setConfig2 = changeConfig2();
    if (!setConfig2) return kNoChangeConfig2;
    SC_ACTION action = {SC_ACTION_RESTART, static_cast<DWORD>(delayMillis)};
    SERVICE_FAILURE_ACTIONSW actions = {};
    actions.cActions = restart ? 1 : 0;
    actions.lpsaActions = &action;
    return setConfig2(opened.get(), SERVICE_CONFIG_FAILURE_ACTIONS, &actions) ? kSucceeded : lastError();
}

// int stopService0(String name)  (Ljava/lang/String;)I
extern "C" jint JNICALL TLX_JNI(Win32Services, stopService0)(JNIEnv* env, jclass, jstring name) {
    JavaStringCopy service(env, name);
    OpenedService opened(service.get(), SC_MANAGER_CONNECT, kStopAccess);
    if (!opened.serviceOpen()) return opened.failure();
    SERVICE_STATUS status;
    if (!ControlService(opened.get(), SERVICE_CONTROL_STOP, &status)) return lastError();
    return waitUntilStopped(opened.get()) ? kSucceeded : kStopFailure;
}

// int startService0(String name)  (Ljava/lang/String;)I  (does not wait for "running")
extern "C" jint JNICALL TLX_JNI(Win32Services, startService0)(JNIEnv* env, jclass, jstring name) {
    JavaStringCopy service(env, name);
    OpenedService opened(service.get(), SC_MANAGER_CONNECT, SERVICE_START);
    if (!opened.serviceOpen()) return opened.failure();
    return StartServiceW(opened.get(), 0, nullptr) ? kSucceeded : lastError();
}

// int uninstallService0(String name)  (Ljava/lang/String;)I  (marks the service for deletion)
extern "C" jint JNICALL TLX_JNI(Win32Services, uninstallService0)(JNIEnv* env, jclass, jstring name) {
    JavaStringCopy service(env, name);
    OpenedService opened(service.get(), SC_MANAGER_ALL_ACCESS, DELETE);
    if (!opened.serviceOpen()) return opened.failure();
    return DeleteService(opened.get()) ? kSucceeded : lastError();
}

// int queryStatus0(String name)  (Ljava/lang/String;)I  (minus the state, or an error code)
extern "C" jint JNICALL TLX_JNI(Win32Services, queryStatus0)(JNIEnv* env, jclass, jstring name) {
    JavaStringCopy service(env, name);
    OpenedService opened(service.get(), SC_MANAGER_CONNECT, SERVICE_QUERY_STATUS);
    if (!opened.serviceOpen()) return opened.failure();
    SERVICE_STATUS status;
    if (!QueryServiceStatus(opened.get(), &status)) return lastError();
    return -static_cast<jint>(status.dwCurrentState);
}

// int getStartType0(String name)  (Ljava/lang/String;)I  (minus the start type, or an error code)
extern "C" jint JNICALL TLX_JNI(Win32Services, getStartType0)(JNIEnv* env, jclass, jstring name) {
    HeapBuffer buffer(kConfigBytes);
    jint result = 0;
    QUERY_SERVICE_CONFIGW* config = queryConfig(env, name, buffer, &result);
    return config ? -static_cast<jint>(config->dwStartType) : result;
}

// String getServiceBinary0(String name)  (Ljava/lang/String;)Ljava/lang/String;
// A failure reads as a blank and the code: no binary path starts with a blank.
extern "C" jstring JNICALL TLX_JNI(Win32Services, getServiceBinary0)(JNIEnv* env, jclass, jstring name) {
    HeapBuffer buffer(kConfigBytes);
    HeapBuffer answer(kBinaryUnits * sizeof(wchar_t));
    if (!answer.get()) return nullptr;
    auto* text = reinterpret_cast<wchar_t*>(answer.get());
    jint result = 0;
    QUERY_SERVICE_CONFIGW* config = queryConfig(env, name, buffer, &result);
    if (config) {
        formatWide(text, kBinaryUnits, L"%s", config->lpBinaryPathName ? config->lpBinaryPathName : L"");
    } else {
        formatWide(text, kBinaryUnits, L" %d", static_cast<int>(result));
    }
    return newJavaString(env, text);
}
