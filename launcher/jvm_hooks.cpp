// The JVM's exit, abort and print hooks; see jvm_hooks.h.
#include "launcher/jvm_hooks.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

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

void JNICALL exitHook(jint code) {
    if (creating()) failDuringCreation(L"exit", code);
    logMessage(L"JVM exit (%d)", static_cast<int>(code));
}

void JNICALL abortHook() {
    if (creating()) failDuringCreation(L"abort", 1);
    logError(L"JVM abort");
}

// The JVM's own C runtime: the FILE it prints to belongs to it, and only its
// functions may write there. A runtime since Java 9 uses the universal C
// runtime; older ones one of the versioned libraries.
typedef int(__cdecl* CommonVfprintf)(unsigned long long options, FILE*, const char*, void* locale, va_list);
typedef int(__cdecl* PlainVfprintf)(FILE*, const char*, va_list);

int printToJvmStream(FILE* stream, const char* format, va_list arguments) {
    static CommonVfprintf common = nullptr;
    static PlainVfprintf plain = nullptr;
    static bool looked = false;
    if (!looked) {
        looked = true;
        common = procAddress<CommonVfprintf>(GetModuleHandleW(L"ucrtbase.dll"), "__stdio_common_vfprintf");
        static const wchar_t* const kVersioned[] = {L"msvcr120.dll", L"msvcr110.dll", L"msvcr100.dll",
                                                    L"msvcr90.dll", L"msvcr80.dll", L"msvcr71.dll"};
        for (const wchar_t* name : kVersioned) {
            if (common || plain) break;
            plain = procAddress<PlainVfprintf>(GetModuleHandleW(name), "vfprintf");
        }
    }
    if (common) return common(0, stream, format, nullptr, arguments);
    if (plain) return plain(stream, format, arguments);
    return std::vfprintf(stderr, format, arguments);
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
    return printToJvmStream(stream, format, arguments);
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
