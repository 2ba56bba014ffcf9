// The included runtime: "jre.tar.gz" in the extraction directory, left by the
// payload or by the download, becomes the runtime directory "jre".
#include "jre/included_jre.h"
#include "jre/pack200.h"

#include "jre/search.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/safe_removal.h"
#include "launcher/base/temp_dir.h"
#include "launcher/errors.h"
#include "payload/config.h"

namespace {

const char kArchive[] = "jre.tar.gz";
const char kRuntimeDir[] = "jre";
// A JDK-shaped archive carries its runtime one level down.
const char kNestedRuntimeDir[] = "jre\\jre";

}  // namespace

bool prepareIncludedJre(HWND dialog) {
    DWORD start = GetTickCount();
    logMessage(L"extracting JRE");
    if (!CreateDirectoryA(kRuntimeDir, nullptr)) logError(L"Could not create JRE dir");
    if (!untarJre(kArchive, kRuntimeDir, dialog, getConfigInt(kKeyJreArchiveSize))) {
        logError(L"Could not untar JRE");
        // What a damaged archive wrote may be large: it goes before the
        // message, which may wait long for its answer.
        removeTree(L"jre");
        failText(L"The bundled JRE is corrupted. If you downloaded the setup file please download it again.");
    }
    DeleteFileA(kArchive);
    DWORD untarMilliseconds = GetTickCount() - start;

    if (getConfigInt(kKeyPack200Jre) != 0) {
        logMessage(L"JRE is packed");
        if (dialog) startUnpackProgress(dialog, untarMilliseconds);
        unpackJreDirectory(kRuntimeDir);
        unpackJreDirectory(kNestedRuntimeDir);
        finishUnpackProgress();
    }
    return useIncludedJre();
}

bool useIncludedJre() {
    char home[kPathCapacity];
    DWORD n = GetFullPathNameA(kRuntimeDir, sizeof(home), home, nullptr);
    if (n == 0 || n >= sizeof(home)) home[0] = '\0';
    logMessage(L"JRE dir: %S", home);
    // The included runtime is what the product ships: no version test.
    if (home[0] && LoadDLL(JreFailure::kQuiet, home, JreLocation::kHome)) return true;
    logError(L"Could not load bundled JRE. Trying to find another JRE.");
    if (LoadDLL(JreFailure::kQuiet, nullptr, JreLocation::kHome)) return true;
    logError(L"Could not find another JRE.");
    if (relaxedTempChoice()) failMessage(kMsgNoTempDirectory);
    failText(L"Could not use bundled JRE. Please send this log file to your software vendor:");
}
