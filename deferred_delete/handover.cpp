// The deletion list written by the launcher itself; see handover.h.
#include "deferred_delete/handover.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "deferred_delete/deletion_state.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"

namespace {

// Deeper trees than this are not entered; the deletion mode then leaves
// their directories, as it leaves anything it cannot remove.
constexpr int kMaxDepth = 64;

struct Listing {
    std::vector<std::wstring> files;
    std::vector<std::wstring> directories;  // deepest first, the root last
};

// A line the deletion mode reads whole.
bool fitsListLine(const std::wstring& path) { return path.size() < kListUnits - 1; }

void collect(const std::wstring& directory, int depth, Listing& listing) {
    if (depth < kMaxDepth) {
        WIN32_FIND_DATAW entry;
        ScopedFindHandle find(FindFirstFileW((directory + L"\\*").c_str(), &entry));
        if (find.valid()) {
            do {
                if (std::wcscmp(entry.cFileName, L".") == 0 || std::wcscmp(entry.cFileName, L"..") == 0) continue;
                std::wstring path = directory + L"\\" + entry.cFileName;
                if (!fitsListLine(path)) continue;
                DWORD attributes = entry.dwFileAttributes;
                if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
                    listing.files.push_back(path);
                else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    listing.directories.push_back(path);  // removed as a link, never entered
                else
                    collect(path, depth + 1, listing);
            } while (FindNextFileW(find.get(), &entry));
        }
    }
    listing.directories.push_back(directory);
}

// "kvo1A2B.tmp" for "kvo1A2B.tmp_dir123", when that file exists and is empty.
std::wstring reservationFile(const std::wstring& directory) {
    size_t end = directory.size();
    while (end > 0 && directory[end - 1] >= L'0' && directory[end - 1] <= L'9') --end;
    if (end == directory.size()) return std::wstring();
    if (end > 0 && directory[end - 1] == L'-') --end;
    if (end < 4 || directory.compare(end - 4, 4, L"_dir") != 0) return std::wstring();
    std::wstring file = directory.substr(0, end - 4);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return std::wstring();
    bool emptyFile = !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.nFileSizeLow == 0 && data.nFileSizeHigh == 0;
    return emptyFile ? file : std::wstring();
}

void addLine(std::wstring& text, const std::wstring& line) {
    text += line;
    text += L'\n';
}

std::wstring listText(const wchar_t* semaphore, const Listing& listing) {
    std::wstring text;
    addLine(text, semaphore);
    addLine(text, L"no_restart");
    addLine(text, L"EOSMARKER");
    addLine(text, L"EOSMARKER");
    for (const std::wstring& file : listing.files) addLine(text, file);
    addLine(text, L"");
    for (const std::wstring& directory : listing.directories) addLine(text, directory);
    return text;
}

// The list goes beside the directory, never into it.
bool writeList(const std::wstring& directory, const std::wstring& text, wchar_t* listPath) {
    size_t slash = directory.find_last_of(L'\\');
    if (slash == std::wstring::npos) return false;
    std::wstring parent = directory.substr(0, slash);
    if (!GetTempFileNameW(parent.c_str(), L"tld", 0, listPath)) return false;
    ScopedHandle file(CreateFileW(listPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    if (file.valid() && WriteFile(file.get(), text.data(), bytes, &written, nullptr) && written == bytes) return true;
    file.close();
    DeleteFileW(listPath);
    return false;
}

bool startDeletionMode(const wchar_t* listPath) {
    std::wstring command = L"\"" + std::wstring(exePathWide()) + L"\" __tlx_windel \"" + listPath + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exePathWide(), &command[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &process))
        return false;
    ScopedHandle thread(process.hThread);
    ScopedHandle child(process.hProcess);
    return true;
}

}  // namespace

bool handOverForDeletion(const wchar_t* directory) {
    // Held, never closed: the semaphore lives exactly as long as this process.
    static HANDLE alive = nullptr;
    static wchar_t semaphore[64];
    if (!alive) {
        formatWide(semaphore, 64, L"tlx_cleanup_%u_%u", static_cast<unsigned>(GetCurrentProcessId()),
                   static_cast<unsigned>(GetTickCount()));
        alive = CreateSemaphoreW(nullptr, 1, 1, semaphore);
    }
    if (!alive) return false;

    Listing listing;
    collect(directory, 0, listing);
    std::wstring reservation = reservationFile(directory);
    if (!reservation.empty()) listing.files.push_back(reservation);
    wchar_t listPath[MAX_PATH];
    if (!writeList(directory, listText(semaphore, listing), listPath)) {
        logError(L"could not write the deletion list for %s (%d)", directory, static_cast<int>(GetLastError()));
        return false;
    }
    if (!startDeletionMode(listPath)) {
        logError(L"could not start the deletion of %s (%d)", directory, static_cast<int>(GetLastError()));
        DeleteFileW(listPath);
        return false;
    }
    logMessage(L"deletion of %s handed over (%s)", directory, listPath);
    return true;
}
