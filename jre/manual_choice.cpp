// Locating a runtime by hand: the open-file dialog (comdlg32, loaded on
// first use), then the same loading as every other runtime, with its
// messages shown, since the user is there to read them.
#include "jre/manual_choice.h"

#include <commdlg.h>

#include "jre/probe.h"
#include "jre/search.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/proc_address.h"
#include "payload/config.h"

namespace {

typedef BOOL(WINAPI* GetOpenFileNameFunction)(LPOPENFILENAMEA);

GetOpenFileNameFunction openFileFunction() {
    static GetOpenFileNameFunction function = nullptr;
    if (!function) function = procAddress<GetOpenFileNameFunction>(LoadLibraryA("Comdlg32.dll"), "GetOpenFileNameA");
    return function;
}

}  // namespace

bool selectJreManually(HWND owner) {
    char path[kPathCapacity] = "";
    wchar_t wideTitle[kMessageCapacity];
    getMessage(kMsgLocateTitle, wideTitle);
    char title[kPathCapacity];
    if (!WideCharToMultiByte(CP_ACP, 0, wideTitle, -1, title, sizeof(title), nullptr, nullptr)) title[0] = '\0';

    OPENFILENAMEA request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = "Java EXE\0java.exe\0";
    request.lpstrFile = path;
    request.nMaxFile = sizeof(path);
    request.lpstrTitle = title;
    request.Flags = OFN_FILEMUSTEXIST;

    GetOpenFileNameFunction openFile = openFileFunction();
    if (!openFile || !openFile(&request)) return false;
    logMessage(L"JRE chosen by the user: %S", path);
    if (!LoadDLL(JreFailure::kShowMessages, path, JreLocation::kJavaExe)) return false;
    registerLocatedJvm(path);
    return true;
}
