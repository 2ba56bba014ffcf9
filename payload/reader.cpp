// Finding the payload in the executable's own file and reading the
// configuration from it at start-up.
#include "payload/reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "launcher/base/config_keys.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/scoped.h"
#include "launcher/errors.h"
#include "launcher/state.h"
#include "payload/config.h"
#include "payload/format.h"
#include "payload/language.h"

namespace {

int64_t g_fileDataPosition = 0;
int64_t g_unextractedPosition = 0;
char g_language[3] = "";
char g_country[3] = "";

void seekTo(HANDLE file, int64_t offset) {
    LARGE_INTEGER target;
    target.QuadPart = offset;
    SetFilePointerEx(file, target, nullptr, FILE_BEGIN);
}

int64_t currentPosition(HANDLE file) {
    LARGE_INTEGER zero, position;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(file, zero, &position, FILE_CURRENT)) return -1;
    return position.QuadPart;
}

// Key 107 picks the channel of fatal errors. It is applied as soon as the
// settings are read, so that a payload broken further on already reports
// through the channel its launcher kind asks for.
void applyLauncherKind() {
    int kind = getConfigInt(kKeyLauncherKind);
    if (kind != 1 && kind != 5) g_launcher.messageBoxes = false;
}

bool blockApplies(const char* blockCode, const char* languageCode) {
    return std::strncmp(blockCode, languageCode, std::strlen(blockCode)) == 0;
}

void readLanguageBlock(HANDLE file, const char* languageCode) {
    char* code = readString(file);
    int32_t count = readInt(file);
    bool applies = blockApplies(code, languageCode);
    logMessage(L"language block %S: %d entries, %S", code, count, applies ? "applied" : "skipped");
    for (int32_t i = 0; i < count; ++i) {
        int32_t id = readInt(file);
        wchar_t* text = readWString(file);
        if (!applies) std::free(text);
        else if (!setMessageEntry(id, text)) failText(L"Internal Error: readWString");
    }
    std::free(code);
}

}  // namespace

HANDLE openOwnExecutable() {
    const wchar_t* path = exePathWide();
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        logError(L"Could not open %p %d %s", file, static_cast<int>(GetLastError()), path);
        failText(L"Error opening media file.");
    }
    return file;
}

int64_t seekPayloadStart(HANDLE file) {
    using namespace payload_format;
    seekTo(file, kPeOffsetPointer);
    int64_t signature = static_cast<uint32_t>(readInt(file));
    seekTo(file, signature + kPeSectionCount);
    int sections = static_cast<uint16_t>(readShort(file));
    logMessage(L"number of sections: %d", sections);
    seekTo(file, signature + kPeOptionalHeaderSize);
    int optionalSize = static_cast<uint16_t>(readShort(file));
    logMessage(L"size of optional headers: %d", optionalSize);
    int64_t lastHeader = signature + optionalSize + int64_t(sections) * kSectionHeaderSize - 16;
    logMessage(L"resSectionTableStart: %d", static_cast<int>(lastHeader));
    seekTo(file, lastHeader + kSectionRawSize);
    uint32_t rawSize = static_cast<uint32_t>(readInt(file));
    uint32_t rawOffset = static_cast<uint32_t>(readInt(file));
    logMessage(L"rawDataSize: %d, rawDataOffset: %d", static_cast<int>(rawSize), static_cast<int>(rawOffset));
    int64_t start = int64_t(rawOffset) + rawSize;
    seekTo(file, start);
    return start;
}

void readPayloadTables(HANDLE file) {
    if (static_cast<uint32_t>(readInt(file)) != payload_format::kMagic) failText(L"Internal Error: magic");
    readInt(file);  // check flag and expected CRC: the integrity check reads them
    readInt(file);
    readLong(file);  // verified length
    int32_t narrowCount = readInt(file);
    for (int32_t i = 0; i < narrowCount; ++i) {
        int32_t id = readInt(file);
        if (!setConfigEntry(id, readString(file))) failText(L"Internal Error: readString");
    }
    applyLauncherKind();
    int32_t wideCount = readInt(file);
    for (int32_t i = 0; i < wideCount; ++i) {
        int32_t id = readInt(file);
        if (!setMessageEntry(id, readWString(file))) failText(L"Internal Error: readWString");
    }
}

void readLanguageBlocks(HANDLE file, const char* languageCode) {
    int32_t blocks = readInt(file);
    for (int32_t i = 0; i < blocks; ++i) readLanguageBlock(file, languageCode);
}

int readConfiguration(const ArgumentList* arguments) {
    ScopedHandle file(openOwnExecutable());
    seekPayloadStart(file.get());
    readPayloadTables(file.get());
    char languageCode[16];
    detectUiLanguage(arguments, languageCode, sizeof(languageCode));
    setSelectedLanguage(languageCode);
    readLanguageBlocks(file.get(), languageCode);
    g_fileDataPosition = currentPosition(file.get());
    file.close();
    return getConfigInt(kKeyLauncherKind);
}

int64_t fileDataPosition() { return g_fileDataPosition; }
int64_t unextractedPosition() { return g_unextractedPosition; }
void setUnextractedPosition(int64_t position) { g_unextractedPosition = position; }

const char* selectedLanguage() { return g_language; }
const char* selectedCountry() { return g_country; }

void setSelectedLanguage(const char* languageCode) {
    std::snprintf(g_language, sizeof(g_language), "%s", languageCode);
    g_country[0] = '\0';
    if (std::strlen(languageCode) == 5) std::snprintf(g_country, sizeof(g_country), "%s", languageCode + 3);
}
