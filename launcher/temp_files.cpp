// Temp file names and the extraction directory, on the chosen temp directory.
#include "launcher/temp_files.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/temp_dir.h"
#include "launcher/errors.h"
#include "launcher/state.h"

void chooseTempDir8(char* out, size_t capacity) {
    if (!findTempDir8(out, capacity)) failMessage(kMsgNoTempDirectory);
}

bool makeTempFileName(char* out, size_t capacity) {
    char dir[kPathCapacity];
    chooseTempDir8(dir, sizeof(dir));
    logMessage(L"tempPath is %S", dir);
    char name[MAX_PATH];
    bool created = GetTempFileNameA(dir, "kvo", 0, name) != 0;
    if (created) {
        std::snprintf(out, capacity, "%s", name);
    } else {
        logMessage(L"GetTempFileName failed (last error %d)", static_cast<int>(GetLastError()));
        size_t n = std::strlen(dir);
        const char* separator = (n > 0 && (dir[n - 1] == '\\' || dir[n - 1] == '/')) ? "" : "\\";
        std::snprintf(out, capacity, "%s%skvo%d", dir, separator, drawTempRandom());
    }
    logMessage(L"tempFile is %S", out);
    return created;
}

void createExtractionDir() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        char name[kPathCapacity];
        bool reserved = makeTempFileName(name, sizeof(name));
        std::snprintf(g_launcher.extractionDir, kPathCapacity, "%s_dir%d", name,
                      static_cast<int32_t>(static_cast<uint32_t>(std::time(nullptr))));
        logMessage(L"Temp dir3: %S", g_launcher.extractionDir);
        if (CreateDirectoryA(g_launcher.extractionDir, nullptr)) {
            // The name's empty file is removed with the directory.
            if (reserved) std::snprintf(g_launcher.reservationFile, kPathCapacity, "%s", name);
            return;
        }
        logMessage(L"Could not create dir (%d)", static_cast<int>(GetLastError()));
        if (reserved) DeleteFileA(name);
    }
    g_launcher.extractionDir[0] = '\0';
    failMessageArg8(kMsgInternalError, "7");
}
