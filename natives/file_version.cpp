// Reading and comparing the file versions of version resources.
// version.dll is bound on first use, from the system directory only, so a
// planted copy beside the setup file is never loaded.
#include "natives/file_version.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <cwchar>

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"

namespace {

typedef DWORD(WINAPI* VersionInfoSizeFunction)(LPCWSTR file, LPDWORD handle);
typedef BOOL(WINAPI* VersionInfoFunction)(LPCWSTR file, DWORD handle, DWORD size, LPVOID data);
typedef BOOL(WINAPI* QueryValueFunction)(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length);

constexpr DWORD kLoadFromSystem32 = 0x800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr size_t kPathUnits = 32768;

struct VersionFunctions {
    VersionInfoSizeFunction size;
    VersionInfoFunction info;
    QueryValueFunction query;
};

// Attempted once per process; two first calls at once only repeat the load.
const VersionFunctions* versionFunctions() {
    static VersionFunctions functions;
    static std::atomic<int> state{0};  // 0 not tried, 1 bound, 2 missing
    if (state.load() == 0) {
        HMODULE version = LoadLibraryExW(L"version.dll", nullptr, kLoadFromSystem32);
        VersionFunctions found = {procAddress<VersionInfoSizeFunction>(version, "GetFileVersionInfoSizeW"),
                                  procAddress<VersionInfoFunction>(version, "GetFileVersionInfoW"),
                                  procAddress<QueryValueFunction>(version, "VerQueryValueW")};
        if (found.size && found.info && found.query) {
            functions = found;
            state.store(1);
        } else {
            state.store(2);
        }
    }
    return state.load() == 1 ? &functions : nullptr;
}

// The two 32-bit words of the file version, most significant first.
bool readFileVersion(const wchar_t* file, DWORD* most, DWORD* least) {
    const VersionFunctions* functions = versionFunctions();
    if (!functions || !file) return false;
    size_t length = std::wcslen(file);
    if (length >= kPathUnits) return false;
    ScopedMalloc<wchar_t*> path(static_cast<wchar_t*>(std::malloc(kPathUnits * sizeof(wchar_t))));
    if (!path.get()) return false;
    std::memcpy(path.get(), file, (length + 1) * sizeof(wchar_t));
    DWORD handle = 0;
    DWORD size = functions->size(path.get(), &handle);
    if (size == 0) return false;
    HeapBuffer info(static_cast<size_t>(size) * 2);
    if (!info.get() || !functions->info(path.get(), 0, size * 2, info.get())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!functions->query(info.get(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    *most = fixed->dwFileVersionMS;
    *least = fixed->dwFileVersionLS;
    return true;
}

}  // namespace

VersionComparison compareFileVersions(const wchar_t* first, const wchar_t* second) {
    DWORD firstMost = 0, firstLeast = 0, secondMost = 0, secondLeast = 0;
    if (!readFileVersion(first, &firstMost, &firstLeast) || !readFileVersion(second, &secondMost, &secondLeast)) {
        return kVersionUnreadable;
    }
    if (firstMost == secondMost && firstLeast == secondLeast) return kSameVersion;
    if (secondMost < firstMost || (secondMost == firstMost && secondLeast < firstLeast)) return kFirstNewer;
    return kSecondNewer;
}
