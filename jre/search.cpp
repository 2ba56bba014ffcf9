// LoadDLL and the search sequence: a fixed frame of places around the
// configured sequence, each candidate probed, the first whose JVM library
// loads ending the search.
#include "jre/search.h"

#include <cstdio>
#include <cstring>

#include "jre/probe.h"
#include "jvm/JavaVMLauncher.h"
#include "jvm/expand.h"
#include "jvm/jvm_state.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/file_system.h"
#include "launcher/base/limits.h"
#include "launcher/base/list_items.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/errors.h"
#include "payload/config.h"

namespace {

// The candidate under test lives in scratch buffers; only an accepted one is
// copied out, so the caller keeps the last accepted candidate even when a
// later place probes others without success.
struct Search {
    char* javaExe;
    char* version;
    int* kind;
    char* description;
    VersionNumber min;
    VersionNumber max;
    HMODULE library = nullptr;
    char candidate[kPathCapacity] = "";
    char candidateVersion[kVersionCapacity] = "";

    // True when the candidate's JVM library loaded, which ends the search.
    bool accept(int sourceKind, const char* source) {
        std::snprintf(javaExe, kPathCapacity, "%s", candidate);
        std::snprintf(version, kVersionCapacity, "%s", candidateVersion);
        if (source) std::snprintf(description, kPathCapacity, "%s", source);
        *kind = sourceKind;
        library = loadJvmLibrary(javaExe);
        return library != nullptr;
    }
};

void readBounds(VersionNumber* min, VersionNumber* max) {
    char minText[kPathCapacity];
    char maxText[kPathCapacity];
    getConfigString(kKeyMinJavaVersion, minText, sizeof(minText));
    getConfigString(kKeyMaxJavaVersion, maxText, sizeof(maxText));
    logMessage(L"MinVersion: %S, MaxVersion: %S", minText, maxText);
    *min = parseVersion(minText);
    *max = parseVersion(maxText);
}

bool locationFilePlace(Search& s, bool (*read)(char*), const wchar_t* hasFormat, const wchar_t* usingText) {
    char line[kPathCapacity];
    if (!read(line)) return false;
    logMessage(hasFormat, line);
    if (!testDirectoryLocation(s.candidate, s.candidateVersion, line, s.min, s.max, HomeTest::kProbe)) return false;
    logMessage(usingText);
    return s.accept(kSourceDirectory, line);
}

bool sequenceEntryPlace(Search& s, char type, const char* value) {
    switch (type) {
        case 'A':
        case 'B':
        case 'R':
            return testDirectoryLocation(s.candidate, s.candidateVersion, value, s.min, s.max, HomeTest::kProbe) &&
                   s.accept(kSourceDirectory, value);
        case 'E':
            return testEnvironmentLocation(s.candidate, s.candidateVersion, value, s.min, s.max) &&
                   s.accept(kSourceEnvironment, value);
        case 'S':
            return testSystemPath(s.candidate, s.candidateVersion, s.min, s.max) && s.accept(kSourceSystemPath, value);
        case 'Y':
            return findRegisteredJre(s.candidate, s.candidateVersion, s.min, s.max) &&
                   s.accept(kSourceRegistry, nullptr);
        default: return false;
    }
}

bool mainPass(Search& s, const char* sequence) {
    const char* cursor = sequence;
    char entry[kPathCapacity];
    while (nextListItem(&cursor, ';', entry, sizeof(entry))) {
        char value[kPathCapacity];
        std::snprintf(value, sizeof(value), "%s", entry + 1);
        expandVariablesAnsi(value, sizeof(value));
        logMessage(L"Testing location %S (type %c)", value, static_cast<wchar_t>(entry[0]));
        if (sequenceEntryPlace(s, entry[0], value)) return true;
    }
    return false;
}

bool isAbsoluteLocation(const char* value) {
    return value[0] && (value[1] == ':' || (value[0] == '\\' && value[1] == '\\'));
}

// Directories that failed the version test are taken anyway when their
// java.exe exists: relative ones (typically a runtime shipped beside the
// launcher) and every type B entry.
bool lenientPass(Search& s, const char* sequence) {
    const char* cursor = sequence;
    char entry[kPathCapacity];
    while (nextListItem(&cursor, ';', entry, sizeof(entry))) {
        char type = entry[0];
        const char* value = entry + 1;
        if (type != 'A' && type != 'B' && type != 'R') continue;
        if (type != 'B' && isAbsoluteLocation(value)) continue;
        logMessage(L"Testing relative location %S", value);
        testDirectoryLocation(s.candidate, s.candidateVersion, value, s.min, s.max, HomeTest::kDeriveOnly);
        if (!fileExists(s.candidate)) continue;
        logMessage(L"%S exists", s.candidate);
        s.candidateVersion[0] = '\0';
        if (s.accept(kSourceDirectory, value)) return true;
    }
    return false;
}

bool previousInstallationPlace(Search& s, HKEY root, const wchar_t* foundFormat) {
    if (!findPreviousInstallationJre(root, s.candidate, s.candidateVersion, s.min, s.max)) return false;
    logMessage(foundFormat, s.candidate);
    return s.accept(kSourceRegistry, nullptr);
}

bool environmentPlace(Search& s, const char* variable) {
    return testEnvironmentLocation(s.candidate, s.candidateVersion, variable, s.min, s.max) &&
           s.accept(kSourceEnvironment, variable);
}

void showUnusable() {
    char bitness[8];
    std::snprintf(bitness, sizeof(bitness), "%d", TLX_BITNESS);
    showMessage8(kMsgNoUsableJvm, bitness);
}

// A location handed in by the included runtime (a home, used without a
// version test) or by the user's choice (a java.exe, probed without the cache).
bool acceptProvidedLocation(const char* location, JreLocation kind, char* javaExe, char* version) {
    logMessage(L"Got JRE location %S (java exe: %d)", location, kind == JreLocation::kJavaExe ? 1 : 0);
    VersionNumber min;
    VersionNumber max;
    readBounds(&min, &max);
    if (kind == JreLocation::kHome)
        return testDirectoryLocation(javaExe, version, location, min, max, HomeTest::kDeriveOnly);
    std::snprintf(javaExe, kPathCapacity, "%s", location);
    return checkJavaExe(javaExe, version, min, max, kProbeAllowPreRelease);
}

}  // namespace

HMODULE searchJvm(char* javaExe, char* version, int* sourceKind, char* description) {
    logMessage(L"Searching for a JVM");
    *sourceKind = kSourceNone;
    char sequence[kPathCapacity];
    getConfigString(kKeySearchSequence, sequence, sizeof(sequence));
    Search s{javaExe, version, sourceKind, description, {}, {}};
    readBounds(&s.min, &s.max);

    bool loaded =
        locationFilePlace(s, readPreferredLocation, L"Has preferred location %S", L"Using preferred location") ||
        locationFilePlace(s, readExtractionInstallerLocation, L"Has installer location %S",
                          L"Using installer location") ||
        mainPass(s, sequence) ||
        locationFilePlace(s, readInstallationInstallerLocation, L"Has installer location %S",
                          L"Using installer location") ||
        lenientPass(s, sequence) ||
        previousInstallationPlace(s, HKEY_CURRENT_USER, L"found JRE from previous installation (user) %S") ||
        previousInstallationPlace(s, HKEY_LOCAL_MACHINE, L"found JRE from previous installation (machine) %S");
    if (!loaded) {
        logMessage(L"Search sequence finished");
        if (!environmentPlace(s, "KAVRO_JAVA_HOME")) environmentPlace(s, "TOLVANRIX_JAVA_HOME");
    }
    return s.library;
}

bool LoadDLL(JreFailure onFailure, const char* location, JreLocation locationKind) {
    bool showErrors = onFailure == JreFailure::kShowMessages;
    logMessage(L"LoadDLL (%d, %S, %d)", showErrors ? 1 : 0, location ? location : "",
               locationKind == JreLocation::kJavaExe ? 1 : 0);
    char javaExe[kPathCapacity] = "";
    char version[kVersionCapacity] = "";
    char description[kPathCapacity] = "";
    HMODULE library = nullptr;
    if (location) {
        if (!acceptProvidedLocation(location, locationKind, javaExe, version)) {
            logError(L"Provided JVM unusable");
            if (showErrors) showUnusable();
            return false;
        }
        std::snprintf(description, sizeof(description), "%s", location);
        library = loadJvmLibrary(javaExe);
    } else {
        int kind = kSourceNone;
        library = searchJvm(javaExe, version, &kind, description);
        if (kind == kSourceNone) {
            logError(L"No JVM found");
            if (showErrors) showUnusable();
            return false;
        }
    }
    recordChosenJre(javaExe, version);
    g_jvm.library = library;
    if (!library) logError(L"Could not get DLL-Handle.");
    bool entryFound = lookupCreateJavaVM(library);
    if (!entryFound) logError(L"Could not load functions");
    if (library && entryFound) {
        logMessage(L"Loading of JVM-DLL successful");
        return true;
    }
    if (showErrors) {
        showMessage8(kMsgJvmUnusable, description);
        showMessage(kMsgJvmNotStarted);
    }
    return false;
}
