// The natives of the runtime's ObjectPicker class: the system's user and
// group picker, owned by a window of this process, and the chosen accounts
// with their SIDs as ObjectPicker$Result objects.
#include "natives/object_picker.h"

#include <windows.h>
#include <jni.h>
#include <objsel.h>

#include <cstdio>

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"
#include "natives/diagnostic.h"
#include "natives/native_support.h"

namespace {

typedef BOOL(WINAPI* SidToTextFunction)(PSID sid, LPWSTR* text);

const ULONG kScopeTargetComputer = 1;
const ULONG kScopeEverywhere = 879;       // the computer, joined, enterprise, external and user-entered domains
const ULONG kScopeDefaultFilters = 0xC0;  // users and groups preselected
const ULONG kUplevelGroups = 1012, kUplevelUsers = 2, kUplevelWellKnown = 8;
const ULONG kDownlevelGroups = 0x80000006, kDownlevelUsers = 0x80000001;
const ULONG kDownlevelAllWellKnown = 0x80020000;
const ULONG kDownlevelServiceAccounts = 0x800C4000;  // system, local service, network service

SidToTextFunction g_sidToText = nullptr;

SidToTextFunction sidToText() {
    if (!g_sidToText)
        g_sidToText = procAddress<SidToTextFunction>(GetModuleHandleW(L"advapi32.dll"), "ConvertSidToStringSidW");
    return g_sidToText;
}

struct OwnerSearch {
    DWORD process;
    HWND console;
    HWND found;
};

BOOL CALLBACK considerWindow(HWND window, LPARAM context) {
    OwnerSearch* search = reinterpret_cast<OwnerSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && window != search->console && IsWindowVisible(window)) search->found = window;
    return TRUE;
}

// The last visible top-level window of this process that is not the
// console, else the console window; null when there is neither.
HWND ownerWindow() {
    OwnerSearch search = {GetCurrentProcessId(), GetConsoleWindow(), nullptr};
    EnumWindows(considerWindow, reinterpret_cast<LPARAM>(&search));
    return search.found ? search.found : search.console;
}

DSOP_SCOPE_INIT_INFO scopeFor(bool groups, bool users, bool wellKnown, bool targetComputerOnly) {
    DSOP_SCOPE_INIT_INFO scope = {};
    scope.cbSize = sizeof(scope);
    scope.flType = targetComputerOnly ? kScopeTargetComputer : kScopeEverywhere;
    scope.flScope = kScopeDefaultFilters;
    ULONG uplevel = 0, downlevel = 0;
    if (groups) {
        uplevel |= kUplevelGroups;
        downlevel |= kDownlevelGroups;
    }
    if (users) {
        uplevel |= kUplevelUsers;
        downlevel |= kDownlevelUsers;
    }
    if (wellKnown) {
        uplevel |= kUplevelWellKnown;
        downlevel |= groups ? kDownlevelAllWellKnown : kDownlevelServiceAccounts;
    }
    scope.FilterFlags.Uplevel.flBothModes = uplevel;
    scope.FilterFlags.flDownlevel = downlevel;
    return scope;
}

// The fetched objectSID as text, or null. The bytes come from the picker:
// they must hold a valid SID of no more than their own length. The array
// belongs to the selection, which nobody changes while it is read here.
jstring sidText(JNIEnv* env, const VARIANT* attribute, SidToTextFunction toText) {
    if (!attribute || attribute->vt != (VT_ARRAY | VT_UI1) || !attribute->parray) return nullptr;
    const SAFEARRAY* bytes = attribute->parray;
    ULONG size = bytes->cDims == 1 && bytes->cbElements == 1 ? bytes->rgsabound[0].cElements : 0;
    const BYTE* sid = static_cast<const BYTE*>(bytes->pvData);
    // A SID: revision 1, its sub-authority count, six bytes of authority,
    // then four bytes per sub-authority.
    ScopedLocalMemory<wchar_t*> text;
    if (sid && size >= 8 && sid[0] == SID_REVISION && sid[1] <= SID_MAX_SUB_AUTHORITIES && 8u + 4u * sid[1] <= size)
        toText(const_cast<BYTE*>(sid), text.receive());
    return newJavaString(env, text.get());
}

// Undoes a CoInitialize that succeeded (S_FALSE too: it was counted), and
// only such a one: the thread's apartment is not ours to end.
struct OleUninitializer {
    bool owed;
    ~OleUninitializer() {
        if (owed) CoUninitialize();
    }
};

// The picker's selection arrives in a storage medium of global memory; both
// the lock and the medium are given back on every way out.
struct StorageMedium {
    STGMEDIUM value = {};
    StorageMedium() = default;
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    ~StorageMedium() { ReleaseStgMedium(&value); }
};

struct GlobalLockScope {
    HGLOBAL memory;
    void* data;
    explicit GlobalLockScope(HGLOBAL block) : memory(block), data(GlobalLock(block)) {}
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    ~GlobalLockScope() {
        if (data) GlobalUnlock(memory);
    }
};

}  // namespace

jobjectArray pickedAccounts(JNIEnv* env, const DS_SELECTION_LIST& selection) {
    SidToTextFunction toText = sidToText();
    jclass resultClass = env->FindClass(TLX_PLATFORM_PACKAGE "ObjectPicker$Result");
    if (!toText || !resultClass) return nullptr;
    jmethodID constructor = env->GetMethodID(resultClass, "<init>",
                                             "(Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;"
                                             "Ljava/lang/String;Ljava/lang/String;)V");
    jobjectArray results =
        constructor ? env->NewObjectArray(static_cast<jsize>(selection.cItems), resultClass, nullptr) : nullptr;
    for (ULONG i = 0; results && i < selection.cItems; ++i) {
        const DS_SELECTION& item = selection.aDsSelection[i];
        const VARIANT* sid = selection.cFetchedAttributes > 0 ? item.pvarFetchedAttributes : nullptr;
        jobject result = env->NewObject(resultClass, constructor, newJavaString(env, item.pwzName),
                                        newJavaString(env, item.pwzADsPath), newJavaString(env, item.pwzClass),
                                        newJavaString(env, item.pwzUPN), sidText(env, sid, toText));
        if (!result) return nullptr;
        env->SetObjectArrayElement(results, static_cast<jsize>(i), result);
        env->DeleteLocalRef(result);
    }
    return results;
}

// ObjectPicker.Result[] show0(boolean multiSelect, boolean groups, boolean users, boolean wellKnownAccounts,
//                             boolean targetComputerOnly)
// (ZZZZZ)[Lcom/tolvanrix/runtime/installer/platform/win32/ObjectPicker$Result;
extern "C" jobjectArray JNICALL TLX_JNI(ObjectPicker, show0)(JNIEnv* env, jclass, jboolean multiSelect, jboolean groups,
                                                             jboolean users, jboolean wellKnownAccounts,
                                                             jboolean targetComputerOnly) {
    if (!sidToText()) return nullptr;
    HWND owner = ownerWindow();
    if (!owner) {
        printDiagnostic("could not find window\n");
        return nullptr;
    }
    OleUninitializer uninitialize = {SUCCEEDED(CoInitialize(nullptr))};
    jobjectArray results = nullptr;
    {
        DSOP_SCOPE_INIT_INFO scope = scopeFor(groups, users, wellKnownAccounts, targetComputerOnly);
        PCWSTR attributes[] = {L"objectSID"};
        DSOP_INIT_INFO init = {sizeof(init), nullptr, 1, &scope, multiSelect ? DSOP_FLAG_MULTISELECT : 0u, 1,
                               attributes};
        ComPtr<IDsObjectPicker> picker;
        ComPtr<IDataObject> chosen;
        if (FAILED(CoCreateInstance(CLSID_DsObjectPicker, nullptr, CLSCTX_INPROC_SERVER, IID_IDsObjectPicker,
                                    picker.receive())) ||
            FAILED(picker->Initialize(&init)))
            return nullptr;
        // A cancel is a success code too, but not S_OK.
        if (picker->InvokeDialog(owner, reinterpret_cast<IDataObject**>(chosen.receive())) != S_OK || !chosen)
            return nullptr;
        FORMATETC format = {static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"CFSTR_DSOP_DS_SELECTION_LIST")), nullptr,
                            DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        StorageMedium medium;
        if (SUCCEEDED(chosen->GetData(&format, &medium.value))) {
            GlobalLockScope locked(medium.value.hGlobal);
            if (locked.data) results = pickedAccounts(env, *static_cast<const DS_SELECTION_LIST*>(locked.data));
        }
    }
    std::fflush(stdout);
    return results;
}
