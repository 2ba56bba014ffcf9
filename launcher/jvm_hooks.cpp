// The JVM's exit, abort and print hooks; see jvm_hooks.h.
#include "launcher/jvm_hooks.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "coordination/install_markers.h"
#include "jvm/jvm_state.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/proc_address.h"
#include "launcher/errors.h"

namespace {

volatile LONG g_created = 0;

bool creating() { return InterlockedCompareExchange(&g_created, 0, 0) == 0; }

// An end while the JVM is still being created is a failed start like any
// other: logged, message 1005, the extraction directory removed, exit code 1.
[[noreturn]] void failDuringCreation(const wchar_t* what, int code) {
    logError(L"the JVM ended while it was being created (%s, %d)", what, code);
    failMessage(kMsgJvmNotStarted);
}

// System.exit: the JVM ends the process with its own C runtime, past the
// launcher's at-exit actions, so what a normal end does is done here.
void JNICALL exitHook(jint code) {
    if (creating()) failDuringCreation(L"exit", code);
    logMessage(L"JVM exit (%d)", static_cast<int>(code));
    clearOwnInstallMarkers();
    handOverExtractionDir();
    endLog();
}

void JNICALL abortHook() {
    if (creating()) failDuringCreation(L"abort", 1);
    logError(L"JVM abort");
    clearOwnInstallMarkers();
}

// The JVM's streams belong to its own C runtime, whose FILE the launcher's
// runtime must not touch: its standard output and error go to the launcher's
// streams of the same number, any other stream (a log file of -Xlog) to that
// runtime's own vfprintf. The runtime is the library that holds the FILE
// (its static stream table), or else the one jvm.dll imports: the universal
// one, or a versioned one whose stream table has the layout of the launcher's.
typedef FILE*(__cdecl* UcrtStream)(unsigned index);
typedef FILE*(__cdecl* StreamTable)();
typedef int(__cdecl* PlainVfprintf)(FILE*, const char*, va_list);
typedef int(__cdecl* UcrtVfprintf)(unsigned long long, FILE*, const char*, _locale_t, va_list);

bool isRuntimeLibrary(HMODULE module) {
    return procAddress<UcrtStream>(module, "__acrt_iob_func") || procAddress<StreamTable>(module, "__iob_func");
}

HMODULE moduleHolding(const void* address) {
    HMODULE owner = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(address), &owner);
    return owner;
}

// The C runtime among the libraries jvm.dll imports.
HMODULE jvmRuntime() {
    auto base = reinterpret_cast<const BYTE*>(g_jvm.library);
    if (!base) return nullptr;
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
         ++entry) {
        HMODULE module = GetModuleHandleA(reinterpret_cast<const char*>(base + entry->Name));
        if (module && isRuntimeLibrary(module)) return module;
    }
    return nullptr;
}

HMODULE runtimeOf(FILE* stream) {
    HMODULE owner = moduleHolding(stream);
    if (owner && isRuntimeLibrary(owner)) return owner;
    static HMODULE imported = jvmRuntime();
    return imported;
}

// 1 and 2 for the JVM's standard output and error, 0 for any other stream.
int standardNumber(HMODULE runtime, FILE* stream) {
    if (auto ucrt = procAddress<UcrtStream>(runtime, "__acrt_iob_func"))
        return stream == ucrt(1) ? 1 : stream == ucrt(2) ? 2 : 0;
    if (auto table = procAddress<StreamTable>(runtime, "__iob_func"))
        return stream == table() + 1 ? 1 : stream == table() + 2 ? 2 : 0;
    return 0;
}

// -1 when the runtime has no vfprintf to be found.
int printToOwnStream(HMODULE runtime, FILE* stream, const char* format, va_list arguments) {
    if (auto plain = procAddress<PlainVfprintf>(runtime, "vfprintf")) return plain(stream, format, arguments);
    if (auto ucrt = procAddress<UcrtVfprintf>(runtime, "__stdio_common_vfprintf"))
        return ucrt(0, stream, format, nullptr, arguments);
    return -1;
}

// What the JVM prints reaches its stream as before; while the JVM is being
// created it goes to the log as well, line by line, since that is where a
// failed start has to be explained.
jint JNICALL vfprintfHook(FILE* stream, const char* format, va_list arguments) {
    if (creating()) {
        va_list copy;
        va_copy(copy, arguments);
        char text[2048];
        int n = std::vsnprintf(text, sizeof(text), format, copy);
        va_end(copy);
        for (char* line = text; n > 0 && *line;) {
            size_t length = std::strcspn(line, "\r\n");
            if (length > 0) logMessage(L"JVM: %.*S", static_cast<int>(length), line);
            line += length;
            while (*line == '\r' || *line == '\n') ++line;
        }
    }
    HMODULE runtime = runtimeOf(stream);
    int number = runtime ? standardNumber(runtime, stream) : 2;
    if (number == 0) {
        int written = printToOwnStream(runtime, stream, format, arguments);
        if (written >= 0) return written;
    }
    FILE* own = number == 1 ? stdout : stderr;
    int written = std::vfprintf(own, format, arguments);
    std::fflush(own);
    return written;
}

JavaVMOption hookOption(const char* name, void* function) {
    JavaVMOption option;
    option.optionString = const_cast<char*>(name);
    option.extraInfo = function;
    return option;
}

}  // namespace

void appendJvmHooks(std::vector<JavaVMOption>& options) {
    options.push_back(hookOption("exit", reinterpret_cast<void*>(exitHook)));
    options.push_back(hookOption("abort", reinterpret_cast<void*>(abortHook)));
    options.push_back(hookOption("vfprintf", reinterpret_cast<void*>(vfprintfHook)));
}

void jvmCreationDone() { InterlockedExchange(&g_created, 1); }
