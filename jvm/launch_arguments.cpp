// The launcher properties and the main arguments of the entry class.
#include "jvm/launch_arguments.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "coordination/instance.h"
#include "jvm/expand.h"
#include "jvm/handshake.h"
#include "launcher/base/arguments.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/text_match.h"
#include "launcher/errors.h"
#include "launcher/state.h"
#include "payload/config.h"
#include "payload/reader.h"

namespace {

constexpr size_t kLibraryPathOptionCapacity = 12000;

std::string property(const char* name, const char* value) { return std::string("-D") + name + "=" + value; }

// The language-restart run reuses an earlier extraction: nothing of the
// payload is left to read unless the runtime files had to be extracted again.
long long unextractedOffset() {
    if (g_launcher.langRestart && !g_launcher.runtimeFilesMissing) return -1;
    return static_cast<long long>(unextractedPosition());
}

std::string libraryPathOption() {
    std::string option = "-Djava.library.path=";
    DWORD needed = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (needed > 0) {
        std::vector<char> path(needed);
        DWORD n = GetEnvironmentVariableA("PATH", path.data(), needed);
        if (n > 0 && n < needed) option.append(path.data(), n);
    }
    if (option.size() > kLibraryPathOptionCapacity - 1) option.resize(kLibraryPathOptionCapacity - 1);
    return option;
}

bool variableIsSet(const char* name) {
    if (GetEnvironmentVariableA(name, nullptr, 0) > 0) return true;
    return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

// A standard-stream file of the runtime: "$" names are the runtime's own and
// pass unchanged, others become full paths against the executable directory.
void appendStreamFile(int enabledKey, int nameKey, ArgumentList& out) {
    wchar_t name[kPathCapacity] = L"";
    if (getConfigInt(enabledKey) != 0) {
        getConfigStringWide(nameKey, name, kPathCapacity);
        expandVariables(name, kPathCapacity, kFullUnicode);
    }
    wchar_t full[kPathCapacity];
    if (name[0] != L'\0' && name[0] != L'$' && fullPath(name, kKeepCase, full, kPathCapacity)) {
        out.append(full);
    } else {
        out.append(name);
    }
}

}  // namespace

void buildLauncherProperties(std::vector<std::string>& properties) {
    if (instanceSemaphoreName()[0] != '\0')
        properties.push_back(property("kavro.semaphoreName", instanceSemaphoreName()));
    if (g_launcher.manualJre) properties.push_back(property("kavro.manualJre", "true"));
    if (installerFlavour()) properties.push_back(property("kavro.isTolvanrix", "true"));
    properties.push_back(property("kavro.moduleName", exePath()));
    properties.push_back(property("sun.java.command", exePath()));
    properties.push_back(property("kavro.tempDir", g_launcher.extractionDir));
    char number[32];
    std::snprintf(number, sizeof(number), "%lld", unextractedOffset());
    properties.push_back(property("kavro.unextractedPosition", number));
    properties.push_back(libraryPathOption());
    if (!variableIsSet("MANPATH")) {
        std::snprintf(number, sizeof(number), "cp%u", GetConsoleOutputCP());
        properties.push_back(property("kavro.consoleCodepage", number));
    }
}

void collectMainArguments(const ArgumentList& commandLine, ArgumentList& mainArguments) {
    mainArguments.append(getConfigInt(kKeyLauncherKind) == 1 ? L"true" : L"false");
    wchar_t mainClass[kPathCapacity];
    getConfigStringWide(kKeyMainClass, mainClass, kPathCapacity);
    mainArguments.append(mainClass);
    appendStreamFile(kKeyStderrFileWanted, kKeyStderrFile, mainArguments);
    appendStreamFile(kKeyStdoutFileWanted, kKeyStdoutFile, mainArguments);
    mainArguments.append(getConfigInt(kKeyFifthMainArgument) != 0 ? L"true" : L"false");
    if (commandLine.count() > 0) mainArguments.append(commandLine.at(0));

    wchar_t programArguments[kVersionCapacity];
    getConfigStringWide(kKeyProgramArguments, programArguments, kVersionCapacity);
    expandVariables(programArguments, kVersionCapacity, kFullUnicode);
    splitCommandLine(programArguments, mainArguments);

    bool jOptions = getConfigInt(kKeyJOptions) != 0;
    for (int i = 1; i < commandLine.count(); ++i) {
        const wchar_t* argument = commandLine.at(i);
        if (startsWith(argument, L"-Dsun.locale.formatasdefault=")) continue;
        if (jOptions && startsWith(argument, L"-J")) continue;
        mainArguments.append(argument);
    }
}

jobjectArray createJavaArguments(JNIEnv* env, const ArgumentList& arguments) {
    jclass stringClass = env->FindClass("java/lang/String");
    jobjectArray array = stringClass ? env->NewObjectArray(arguments.count(), stringClass, nullptr) : nullptr;
    if (stringClass) env->DeleteLocalRef(stringClass);
    if (!array) {
        logError(L"could not create the argument array");
        checkJavaException(env, kLogAndDescribe);
        return nullptr;
    }
    for (int i = 0; i < arguments.count(); ++i) {
        logMessage(L"param %d: %s", i, arguments.at(i));
        jstring text = env->NewString(reinterpret_cast<const jchar*>(arguments.at(i)),
                                      static_cast<jsize>(std::wcslen(arguments.at(i))));
        if (!text) {
            logError(L"could not create argument %d", i);
            checkJavaException(env, kLogAndDescribe);
            env->DeleteLocalRef(array);
            return nullptr;
        }
        env->SetObjectArrayElement(array, i, text);
        env->DeleteLocalRef(text);
    }
    return array;
}
