// The run-time shell32 binding. Two Java threads may fill it at once: they
// repeat the same loads and store the same addresses, so no lock is needed.
#include "natives/shell_binding.h"

#include <atomic>

#include "launcher/base/proc_address.h"

namespace {

std::atomic<ChangeNotifyFunction> g_changeNotify{nullptr};
std::atomic<ShellExecuteFunction> g_execute{nullptr};
std::atomic<bool> g_helpersLoaded{false};

}  // namespace

bool shellFunctions(ShellFunctions* out) {
    ChangeNotifyFunction changeNotify = g_changeNotify.load();
    ShellExecuteFunction execute = g_execute.load();
    if (!changeNotify || !execute) {
        // These two are loaded ahead of shell32, once; whether they exist
        // does not matter.
        if (!g_helpersLoaded.exchange(true)) {
            LoadLibraryW(L"davhlpr.dll");
            LoadLibraryW(L"fwbase.dll");
        }
        HMODULE shell = LoadLibraryW(L"shell32.dll");
        changeNotify = procAddress<ChangeNotifyFunction>(shell, "SHChangeNotify");
        execute = procAddress<ShellExecuteFunction>(shell, "ShellExecuteW");
        if (!changeNotify || !execute) return false;
        g_changeNotify.store(changeNotify);
        g_execute.store(execute);
    }
    out->changeNotify = changeNotify;
    out->execute = execute;
    return true;
}
