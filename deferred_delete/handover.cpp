// The deletion list written by the launcher itself; see handover.h.
#include "deferred_delete/handover.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "deferred_delete/deletion_state.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/paths.h"
#include "launcher/base/proc_address.h"
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
                if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) listing.files.push_back(path);
                else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    listing.directories.push_back(path);  // removed as a link, never entered
                else collect(path, depth + 1, listing);
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
    bool emptyFile =
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.nFileSizeLow == 0 && data.nFileSizeHigh == 0;
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

// Beside the directory, never in it, and named after it: a name no other
// run uses, so that the deletion process can be given it before the list is
// written.
std::wstring listPathFor(const wchar_t* directory) { return std::wstring(directory) + L".lst"; }

bool writeList(const std::wstring& listPath, const std::wstring& text) {
    ScopedHandle file(
        CreateFileW(listPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    if (WriteFile(file.get(), text.data(), bytes, &written, nullptr) && written == bytes) return true;
    file.close();
    DeleteFileW(listPath.c_str());
    return false;
}

// Declarations the headers hide below Vista.
struct StartupInfoEx {
    STARTUPINFOW startup;
    void* attributes;
};
constexpr DWORD kExtendedStartupInfo = 0x00080000;
constexpr DWORD_PTR kJobListAttribute = 0x0002000D;
typedef BOOL(WINAPI* InitializeAttributesFunction)(void*, DWORD, DWORD, SIZE_T*);
typedef BOOL(WINAPI* UpdateAttributeFunction)(void*, DWORD, DWORD_PTR, void*, SIZE_T, void*, SIZE_T*);
typedef void(WINAPI* DeleteAttributesFunction)(void*);

// attributes: a list for the extended start-up information, or null.
bool createDeletionProcess(const std::wstring& listPath, DWORD flags, PROCESS_INFORMATION& process,
                           void* attributes = nullptr) {
    std::wstring command = L"\"" + std::wstring(exePathWide()) + L"\" __tlx_windel \"" + listPath + L"\"";
    StartupInfoEx startup = {};
    startup.startup.cb = attributes ? sizeof(startup) : sizeof(startup.startup);
    startup.attributes = attributes;
    if (attributes) flags |= kExtendedStartupInfo;
    return CreateProcessW(exePathWide(), &command[0], nullptr, nullptr, FALSE, DETACHED_PROCESS | flags, nullptr,
                          nullptr, &startup.startup, &process) != FALSE;
}

// The deletion process started ahead of the end: suspended, in a job that
// ends it together with this process (however that ends) until a hand-over
// lets it go, so that it can never run without its list or outlive a
// launcher that was killed. Written once by the thread that starts it.
struct PreparedDeletion {
    ScopedHandle process;
    ScopedHandle thread;
    ScopedHandle job;
};
PreparedDeletion g_prepared;
constexpr size_t kPreparedListCapacity = kPathCapacity + 8;
wchar_t g_preparedList[kPreparedListCapacity];
void* volatile g_preparing = nullptr;
// Far beyond what a process start takes; a hand-over that would wait longer
// starts its own process.
constexpr DWORD kPrepareWait = 10000;

bool setKilledWithLauncher(HANDLE job, bool killed) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = killed ? JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE : 0;
    return SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits)) != FALSE;
}

// Created inside the job where the system can (Windows 10 and later); false
// where it cannot, and the process joins the job once it exists.
bool createInJob(HANDLE job, PROCESS_INFORMATION& started) {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    auto initialize = procAddress<InitializeAttributesFunction>(kernel32, "InitializeProcThreadAttributeList");
    auto update = procAddress<UpdateAttributeFunction>(kernel32, "UpdateProcThreadAttribute");
    auto remove = procAddress<DeleteAttributesFunction>(kernel32, "DeleteProcThreadAttributeList");
    SIZE_T size = 0;
    if (!initialize || !update || !remove) return false;
    initialize(nullptr, 1, 0, &size);
    std::vector<BYTE> list(size);
    if (size == 0 || !initialize(list.data(), 1, 0, &size)) return false;
    bool created = update(list.data(), 0, kJobListAttribute, &job, sizeof(job), nullptr, nullptr) &&
                   createDeletionProcess(g_preparedList, CREATE_SUSPENDED, started, list.data());
    remove(list.data());
    return created;
}

DWORD WINAPI startSuspended(LPVOID) {
    ScopedHandle job(CreateJobObjectW(nullptr, nullptr));
    PROCESS_INFORMATION started = {};
    if (!job.valid() || !setKilledWithLauncher(job.get(), true)) return 0;
    bool inJob = createInJob(job.get(), started);
    if (!inJob && !createDeletionProcess(g_preparedList, CREATE_SUSPENDED, started)) return 0;
    PreparedDeletion prepared{ScopedHandle(started.hProcess), ScopedHandle(started.hThread), std::move(job)};
    // Outside the job (a launcher in a job of its own on an older system)
    // it could stay suspended for good.
    if (!inJob && !AssignProcessToJobObject(prepared.job.get(), prepared.process.get())) {
        TerminateProcess(prepared.process.get(), 0);
        return 0;
    }
    g_prepared = std::move(prepared);
    return 0;
}

// Waits until the thread that starts the process is done; false when there
// was none or it did not finish in time.
bool preparationDone() {
    ScopedHandle preparing(InterlockedExchangePointer(&g_preparing, nullptr));
    return preparing.valid() && WaitForSingleObject(preparing.get(), kPrepareWait) == WAIT_OBJECT_0;
}

// The prepared process when it was made for this list; taken once.
bool takePrepared(const std::wstring& listPath, PreparedDeletion& taken) {
    if (!preparationDone() || !g_prepared.process.valid() || listPath != g_preparedList) return false;
    taken = std::move(g_prepared);
    return true;
}

// Resumed first and let go of afterwards: no moment in which it could
// outlive this process without running.
bool release(const PreparedDeletion& prepared) {
    if (ResumeThread(prepared.thread.get()) != static_cast<DWORD>(-1) &&
        setKilledWithLauncher(prepared.job.get(), false))
        return true;
    // It does nothing before this process has ended, so it can still go.
    TerminateProcess(prepared.process.get(), 0);
    return false;
}

bool startDeletionMode(const std::wstring& listPath) {
    PreparedDeletion prepared;
    if (takePrepared(listPath, prepared) && release(prepared)) return true;
    PROCESS_INFORMATION started = {};
    if (!createDeletionProcess(listPath, 0, started)) return false;
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    return true;
}

}  // namespace

void prepareHandOver(const wchar_t* directory) {
    std::wstring listPath = listPathFor(directory);
    if (g_preparing || listPath.size() >= kPreparedListCapacity) return;
    std::wcscpy(g_preparedList, listPath.c_str());
    g_preparing = CreateThread(nullptr, 0, startSuspended, nullptr, 0, nullptr);
}

void settleHandOverPreparation() { preparationDone(); }

bool handOverForDeletion(const wchar_t* directory, HandOverNote note) {
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
    std::wstring listPath = listPathFor(directory);
    if (!writeList(listPath, listText(semaphore, listing))) {
        logError(L"could not write the deletion list for %s (%d)", directory, static_cast<int>(GetLastError()));
        return false;
    }
    if (!startDeletionMode(listPath)) {
        logError(L"could not start the deletion of %s (%d)", directory, static_cast<int>(GetLastError()));
        DeleteFileW(listPath.c_str());
        return false;
    }
    if (note == HandOverNote::kLogged) logMessage(L"deletion of %s handed over (%s)", directory, listPath.c_str());
    return true;
}
