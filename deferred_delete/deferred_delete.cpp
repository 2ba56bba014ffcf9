// Entry of the deferred-deletion mode; see deferred_delete.h.
#include "deferred_delete/deferred_delete.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "deferred_delete/deletion_ending.h"
#include "deferred_delete/deletion_passes.h"
#include "deferred_delete/deletion_state.h"
#include "launcher/base/limits.h"

namespace {

DeletionState gDeletion;

// The directory the process was started in may be one of those to remove, and
// a process's current directory cannot be removed while it is current.
void enterExecutableDirectory() {
    static wchar_t module[kPathCapacity];
    static wchar_t dir[kPathCapacity];
    DWORD length = GetModuleFileNameW(nullptr, module, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) return;
    wchar_t* filePart = nullptr;
    length = GetFullPathNameW(module, kPathCapacity, dir, &filePart);
    if (length == 0 || length >= kPathCapacity || !filePart) return;
    *filePart = L'\0';
    size_t dirLength = std::wcslen(dir);
    if (dirLength > 3 && dir[dirLength - 1] == L'\\') dir[dirLength - 1] = L'\0';
    SetCurrentDirectoryW(dir);
}

}  // namespace

int runDeferredDeletion(const wchar_t* listPath, SelfDeletion self) {
    enterExecutableDirectory();
    std::memset(&gDeletion, 0, sizeof(gDeletion));
    clearText(gDeletion.question);
    clearText(gDeletion.failure);
    runDeletionPasses(gDeletion, listPath);
    finishDeletion(gDeletion, listPath, self);
    return 0;
}
