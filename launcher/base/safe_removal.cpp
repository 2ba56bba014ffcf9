// Link-safe removal; see safe_removal.h. An entry is opened as itself (a
// reparse point is not followed), and that handle is what gets deleted once
// it has shown to be the entry of that name in that directory: a reparse
// point, or an object whose final path is its directory's final path and its
// own name. Deleting through the checked handle leaves no moment in which
// the name could be swapped for a link.
#include "launcher/base/safe_removal.h"

#include <windows.h>

#include <cwchar>
#include <string>

#include "launcher/base/log.h"
#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"

namespace {

constexpr int kMaxDepth = 64;
constexpr DWORD kFinalPathUnits = 32768;

// Vista and later; without them (XP) only junctions exist, which the
// reparse-point attribute shows, and the path functions remove them as links.
// Their declarations are hidden by the headers' Windows level.
typedef DWORD(WINAPI* FinalPathFunction)(HANDLE, LPWSTR, DWORD, DWORD);
typedef BOOL(WINAPI* SetInformationFunction)(HANDLE, int, LPVOID, DWORD);
typedef BOOL(WINAPI* GetInformationFunction)(HANDLE, int, LPVOID, DWORD);
constexpr DWORD kNormalizedDosName = 0;  // kNormalizedDosName
constexpr int kFileDispositionInfo = 4;
constexpr int kFileAttributeTagInfo = 9;
struct DispositionInfo {
    BOOLEAN deleteFile;
};
struct AttributeTagInfo {
    DWORD attributes;
    DWORD reparseTag;
};

struct KernelFunctions {
    FinalPathFunction finalPath;
    SetInformationFunction setInformation;
    GetInformationFunction getInformation;
};

const KernelFunctions& kernel() {
    static const KernelFunctions functions = [] {
        HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
        return KernelFunctions{procAddress<FinalPathFunction>(kernel32, "GetFinalPathNameByHandleW"),
                               procAddress<SetInformationFunction>(kernel32, "SetFileInformationByHandle"),
                               procAddress<GetInformationFunction>(kernel32, "GetFileInformationByHandleEx")};
    }();
    return functions;
}

HANDLE openAsItself(const wchar_t* path, DWORD access) {
    return CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The attributes through the handle: the entry opened, not whatever has
// the name now. The short query where there is one (the full one asks for
// the volume as well, at many times the cost under Wine).
bool readAttributes(HANDLE entry, DWORD& attributes) {
    AttributeTagInfo tag;
    if (kernel().getInformation && kernel().getInformation(entry, kFileAttributeTagInfo, &tag, sizeof(tag))) {
        attributes = tag.attributes;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(entry, &information)) return false;
    attributes = information.dwFileAttributes;
    return true;
}

bool finalPath(HANDLE handle, std::wstring& out) {
    out.resize(kFinalPathUnits);
    DWORD n = kernel().finalPath(handle, &out[0], kFinalPathUnits, kNormalizedDosName);
    if (n == 0 || n >= kFinalPathUnits) return false;
    out.resize(n);
    return true;
}

// The full path split into the directory it is listed in (with its
// backslash: a directory named like a device, "nul", is then still the
// directory) and its own name.
bool splitFullPath(const wchar_t* path, std::wstring& parent, std::wstring& name) {
    std::wstring full(kFinalPathUnits, L'\0');
    DWORD n = GetFullPathNameW(path, kFinalPathUnits, &full[0], nullptr);
    if (n == 0 || n >= kFinalPathUnits) return false;
    full.resize(n);
    size_t slash = full.find_last_of(L'\\');
    if (slash == std::wstring::npos) return false;
    parent = full.substr(0, slash + 1);
    name = full.substr(slash + 1);
    return true;
}

// The listing directory, resolved; from the cache when it was the last one.
bool parentFinalPath(const std::wstring& parent, ParentCache& parents) {
    if (!parents.resolved.empty() && parents.listed == parent) return true;
    parents.listed.clear();
    parents.resolved.clear();
    ScopedHandle directory(openAsItself(parent.c_str(), FILE_READ_ATTRIBUTES));
    std::wstring resolved;
    if (!directory.valid() || !finalPath(directory.get(), resolved)) return false;
    if (resolved.empty() || resolved.back() != L'\\') resolved += L'\\';
    parents.listed = parent;
    parents.resolved = resolved;
    return true;
}

enum class Identity { kItself, kLink, kUnknown };

// Whether the handle reached the entry of that name in the directory it is
// listed in, or was led elsewhere by a link.
Identity identify(HANDLE entry, DWORD attributes, const wchar_t* path, ParentCache& parents) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Identity::kItself;
    if (!kernel().finalPath) return Identity::kItself;
    std::wstring reached, parent, name;
    if (!finalPath(entry, reached) || !splitFullPath(path, parent, name) || !parentFinalPath(parent, parents))
        return Identity::kUnknown;
    const std::wstring& resolved = parents.resolved;
    if (reached.size() <= resolved.size() || _wcsnicmp(reached.c_str(), resolved.c_str(), resolved.size()) != 0)
        return Identity::kLink;
    const wchar_t* reachedName = reached.c_str() + resolved.size();
    if (_wcsicmp(reachedName, name.c_str()) == 0) return Identity::kItself;
    // Named by its short name: the directory lists the long one.
    WIN32_FIND_DATAW listed;
    bool found = ScopedFindHandle(FindFirstFileW(path, &listed)).valid();
    return found && _wcsicmp(reachedName, listed.cFileName) == 0 ? Identity::kItself : Identity::kLink;
}

bool deleteThrough(HANDLE entry, const wchar_t* path, DWORD attributes) {
    if (kernel().setInformation) {
        DispositionInfo disposition = {TRUE};
        return kernel().setInformation(entry, kFileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path) != FALSE : DeleteFileW(path) != FALSE;
}

bool missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

Removal removeChecked(const wchar_t* path, int depth, ParentCache& parents);

// kLinkLeft when nothing but links stayed, kFailed when anything else did.
Removal removeChildren(const wchar_t* directory, int depth) {
    std::wstring base = directory;
    if (base.empty() || base.back() != L'\\') base += L'\\';
    Removal worst = Removal::kRemoved;
    ParentCache parents;
    WIN32_FIND_DATAW child;
    ScopedFindHandle find(FindFirstFileW((base + L'*').c_str(), &child));
    if (!find.valid()) return worst;
    do {
        if (std::wcscmp(child.cFileName, L".") == 0 || std::wcscmp(child.cFileName, L"..") == 0) continue;
        Removal removal = removeChecked((base + child.cFileName).c_str(), depth + 1, parents);
        if (removal == Removal::kFailed || (removal == Removal::kLinkLeft && worst != Removal::kFailed))
            worst = removal;
    } while (FindNextFileW(find.get(), &child));
    return worst;
}

// Opens the entry for deletion as itself; kRemoved when that handle is the
// entry of that name, else what to report.
Removal openChecked(const wchar_t* path, ScopedHandle& entry, DWORD& attributes, ParentCache& parents) {
    entry.reset(openAsItself(path, DELETE | FILE_READ_ATTRIBUTES));
    if (!entry.valid()) return missing(GetLastError()) ? Removal::kGone : Removal::kFailed;
    if (!readAttributes(entry.get(), attributes)) return Removal::kFailed;
    Identity identity = identify(entry.get(), attributes, path, parents);
    if (identity == Identity::kLink) {
        logMessage(L"leaving the link %s in place", path);
        return Removal::kLinkLeft;
    }
    return identity == Identity::kItself ? Removal::kRemoved : Removal::kFailed;
}

// A name that ends in a separator or holds a wildcard names no single entry.
bool namesOneEntry(const wchar_t* path) {
    size_t length = std::wcslen(path);
    return length > 0 && path[length - 1] != L'\\' && path[length - 1] != L'/' && !std::wcspbrk(path, L"*?");
}

// depth < 0: the entry alone.
Removal removeChecked(const wchar_t* path, int depth, ParentCache& parents) {
    if (!namesOneEntry(path)) return Removal::kGone;
    ScopedHandle entry;
    DWORD attributes = 0;
    Removal opened = openChecked(path, entry, attributes, parents);
    if (opened != Removal::kRemoved) return opened;
    bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool enter = directory && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && depth >= 0 && depth < kMaxDepth;
    logMessage(directory ? L"attempting to remove %s (%d)" : L"attempting to delete %s", path, enter ? 1 : 0);
    if (enter) {
        // A handle with delete access would keep the listing from opening
        // the directory: it is opened and checked again afterwards.
        entry.close();
        // A directory that keeps a link keeps its name as well, for good.
        if (removeChildren(path, depth) == Removal::kLinkLeft) return Removal::kLinkLeft;
        opened = openChecked(path, entry, attributes, parents);
        if (opened != Removal::kRemoved) return opened;
    }
    return deleteThrough(entry.get(), path, attributes) ? Removal::kRemoved : Removal::kFailed;
}

}  // namespace

Removal removeEntry(const wchar_t* path, ParentCache& parents) { return removeChecked(path, -1, parents); }

Removal removeTree(const wchar_t* path) {
    ParentCache parents;
    return removeChecked(path, 0, parents);
}
