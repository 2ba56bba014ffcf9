// The JVM's exit, abort and print hooks; see jvm_hooks.h.
#include "launcher/jvm_hooks.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "coordination/install_markers.h"
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
    endLog();
}

void JNICALL abortHook() {
    if (creating()) failDuringCreation(L"abort", 1);
    logError(L"JVM abort");
    clearOwnInstallMarkers();
}

// The JVM's stream belongs to its own C runtime, whose FILE the launcher's
// runtime must not touch: the text goes to the launcher's stream of the same
// number. The library that holds the FILE tells which runtime it is: the
// universal one, or a versioned one whose stream table has the layout of the
// launcher's.
typedef FILE*(__cdecl* UcrtStream)(unsigned index);
typedef FILE*(__cdecl* StreamTable)();

bool isJvmStandardOutput(FILE* stream) {
    HMODULE owner = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(stream), &owner))
        return false;
    if (auto ucrt = procAddress<UcrtStream>(owner, "__acrt_iob_func")) return stream == ucrt(1);
    if (auto table = procAddress<StreamTable>(owner, "__iob_func")) return stream == table() + 1;
    return false;
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
    FILE* own = isJvmStandardOutput(stream) ? stdout : stderr;
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
