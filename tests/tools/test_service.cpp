// A real service for the service natives' tests, run by Wine's service
// manager. "test_service.exe" stops when asked; "test_service.exe stuck"
// answers a stop request with "stop pending" and never advances its check
// point (a hung service), then gives up and stops by itself after 20 s so
// that the test prefix is not left with it.
#include <windows.h>

#include <cwchar>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stopRequested = nullptr;
bool g_stuck = false;

void report(DWORD state, DWORD checkPoint, DWORD waitHint) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwCheckPoint = checkPoint;
    status.dwWaitHint = waitHint;
    SetServiceStatus(g_status, &status);
}

DWORD WINAPI control(DWORD code, DWORD, LPVOID, LPVOID) {
    if (code == SERVICE_CONTROL_STOP) {
        report(SERVICE_STOP_PENDING, 1, 1000);
        SetEvent(g_stopRequested);
    }
    return NO_ERROR;
}

void WINAPI serviceMain(DWORD, LPWSTR*) {
    g_status = RegisterServiceCtrlHandlerExW(L"", control, nullptr);
    if (!g_status) return;
    report(SERVICE_RUNNING, 0, 0);
    WaitForSingleObject(g_stopRequested, INFINITE);
    if (g_stuck) Sleep(20000);
    report(SERVICE_STOPPED, 0, 0);
}

}  // namespace

int main() {
    g_stuck = std::wcsstr(GetCommandLineW(), L" stuck") != nullptr;
    g_stopRequested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wchar_t name[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{name, serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
