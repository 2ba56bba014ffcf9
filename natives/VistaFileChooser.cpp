// The natives of the runtime's VistaFileChooser class: the system's common
// file dialog, open or save, with file-type filters and extra check boxes.
// The dialog's interfaces are declared for Vista and later only; they are
// reached through COM and the two shell32 item functions are looked up, so
// the executable still loads where they are missing.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#undef NTDDI_VERSION
#define NTDDI_VERSION 0x06000000
#include <windows.h>
#include <jni.h>
#include <shobjidl.h>

#include <atomic>
#include <cstdlib>

#include "natives/native_support.h"

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"

namespace {

typedef HRESULT(WINAPI* CreateItemFunction)(PCWSTR path, IBindCtx* context, REFIID interfaceId, void** item);
typedef HRESULT(WINAPI* CreateItemArrayFunction)(IShellItem* item, REFIID interfaceId, void** array);

const CLSID kOpenDialogClass = {0xDC1C5A9C, 0xE88A, 0x4DDE, {0xA5, 0xA1, 0x60, 0xF8, 0x2A, 0x20, 0xAE, 0xF7}};
const CLSID kSaveDialogClass = {0xC0B4E2F3, 0xBA21, 0x4773, {0x8D, 0xBA, 0x33, 0x5E, 0xC9, 0x46, 0xEB, 0x8B}};
// Check boxes beyond the first sit in this group; ids 1, 2, ... stay below it.
const DWORD kOptionsGroupId = 100000;

std::atomic<CreateItemFunction> g_createItem{nullptr};
std::atomic<CreateItemArrayFunction> g_createItemArray{nullptr};

// Both item functions, looked up again on every call until both were found.
bool itemFunctions(CreateItemFunction* createItem, CreateItemArrayFunction* createItemArray) {
    if (!g_createItem.load() || !g_createItemArray.load()) {
        HMODULE shell = LoadLibraryW(L"shell32.dll");
        g_createItem.store(procAddress<CreateItemFunction>(shell, "SHCreateItemFromParsingName"));
        g_createItemArray.store(procAddress<CreateItemArrayFunction>(shell, "SHCreateShellItemArrayFromShellItem"));
    }
    *createItem = g_createItem.load();
    *createItemArray = g_createItemArray.load();
    return *createItem && *createItemArray;
}

// Names and patterns are taken in pairs; an array longer than the other
// contributes only as many entries as the shorter one has.
void setFileTypes(IFileDialog* dialog, JNIEnv* env, jobjectArray names, jobjectArray patterns, jint index) {
    JavaStringArrayCopy nameCopies(env, names), patternCopies(env, patterns);
    jsize count = nameCopies.count() < patternCopies.count() ? nameCopies.count() : patternCopies.count();
    if (count == 0) return;
    ScopedMalloc<COMDLG_FILTERSPEC*> specs(
        static_cast<COMDLG_FILTERSPEC*>(std::calloc(static_cast<size_t>(count), sizeof(COMDLG_FILTERSPEC))));
    if (!specs.get()) return;
    for (jsize i = 0; i < count; ++i) specs.get()[i] = {nameCopies.at(i), patternCopies.at(i)};
    // The dialog keeps its own copy of the types.
    if (SUCCEEDED(dialog->SetFileTypes(static_cast<UINT>(count), specs.get())) && index >= 0) {
        dialog->SetFileTypeIndex(static_cast<UINT>(index) + 1);
    }
}

void addCheckBoxes(IFileDialogCustomize* customize, const JavaStringArrayCopy& labels,
                   const JavaBooleanArrayElements& states) {
    bool grouped = labels.count() > 1;
    if (grouped) customize->StartVisualGroup(kOptionsGroupId, L"Options:");
    for (jsize i = 0; i < labels.count(); ++i) {
        customize->AddCheckButton(static_cast<DWORD>(i) + 1, labels.at(i), states.get(i) ? TRUE : FALSE);
    }
    if (grouped) customize->EndVisualGroup();
}

void readCheckBoxes(IFileDialogCustomize* customize, jsize count, JavaBooleanArrayElements& states) {
    for (jsize i = 0; i < count; ++i) {
        BOOL checked = FALSE;
        if (SUCCEEDED(customize->GetCheckButtonState(static_cast<DWORD>(i) + 1, &checked))) states.set(i, checked);
    }
}

// A save dialog has a single result item, an open dialog a list of them;
// both come out as a list.
bool resultItems(IFileDialog* dialog, bool save, CreateItemArrayFunction createItemArray,
                 ComPtr<IShellItemArray>& items) {
    if (!save) {
        IFileOpenDialog* open = static_cast<IFileOpenDialog*>(dialog);
        return SUCCEEDED(open->GetResults(reinterpret_cast<IShellItemArray**>(items.receive())));
    }
    ComPtr<IShellItem> item;
    return SUCCEEDED(dialog->GetResult(reinterpret_cast<IShellItem**>(item.receive()))) &&
           SUCCEEDED(createItemArray(item.get(), IID_IShellItemArray, items.receive()));
}

// The file-system paths of the items, each allocated by the shell; an item
// without one (a virtual folder) keeps a null entry.
class ItemPaths {
public:
    explicit ItemPaths(IShellItemArray* items) {
        DWORD count = 0;
        if (FAILED(items->GetCount(&count)) || count > 0x10000000) return;
        paths_.reset(static_cast<wchar_t**>(std::calloc(count ? count : 1, sizeof(wchar_t*))));
        if (!paths_.get()) return;
        for (count_ = 0; count_ < count; ++count_) {
            ComPtr<IShellItem> item;
            ScopedCoTaskMemory<wchar_t*> path;
            if (FAILED(items->GetItemAt(count_, reinterpret_cast<IShellItem**>(item.receive()))) ||
                FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.receive()))) {
                continue;
            }
            // An item without a file-system path stays null in the result.
            if (path.valid() && *path.get()) paths_.get()[count_] = path.release();
        }
    }
    ~ItemPaths() {
        for (DWORD i = 0; i < count_; ++i) CoTaskMemFree(paths_.get()[i]);
    }
    ItemPaths(const ItemPaths&) = delete;
    ItemPaths& operator=(const ItemPaths&) = delete;

    jobjectArray toJava(JNIEnv* env) const {
        return paths_.get() ? newJavaStringArray(env, paths_.get(), static_cast<jsize>(count_)) : nullptr;
    }

private:
    ScopedMalloc<wchar_t**> paths_;
    DWORD count_ = 0;
};

}  // namespace

// void initialize0()  ()V
extern "C" void JNICALL TLX_JNI(VistaFileChooser, initialize0)(JNIEnv*, jclass) { CoInitialize(nullptr); }

// String[] displayDialog0(long ownerWindow, String title, String okLabel, String folder, String fileName,
//     int optionsToSet, int optionsToClear, boolean save, String defaultExtension, String[] filterNames,
//     String[] filterPatterns, int filterIndex, String[] checkBoxLabels, boolean[] checkBoxStates)
// (JLjava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;IIZLjava/lang/String;
//  [Ljava/lang/String;[Ljava/lang/String;I[Ljava/lang/String;[Z)[Ljava/lang/String;
extern "C" jobjectArray JNICALL TLX_JNI(VistaFileChooser, displayDialog0)(
    JNIEnv* env, jclass, jlong ownerWindow, jstring title, jstring okLabel, jstring folder, jstring fileName,
    jint optionsToSet, jint optionsToClear, jboolean save, jstring defaultExtension, jobjectArray filterNames,
    jobjectArray filterPatterns, jint filterIndex, jobjectArray checkBoxLabels, jbooleanArray checkBoxStates) {
    // Names the dialog acts on refuse U+0000; what it only shows ends there.
    JavaStringCopy extension(env, defaultExtension), folderPath(env, folder), name(env, fileName);
    JavaStringCopy titleText(env, title, StringUse::kShown), okText(env, okLabel, StringUse::kShown);
    if (anyRefused(extension, folderPath, name)) return nullptr;
    JavaStringArrayCopy labels(env, checkBoxLabels);
    JavaBooleanArrayElements states(env, checkBoxStates);
    CreateItemFunction createItem;
    CreateItemArrayFunction createItemArray;
    if (!itemFunctions(&createItem, &createItemArray)) return nullptr;

    ComPtr<IFileDialog> dialog;
    if (FAILED(CoCreateInstance(save ? kSaveDialogClass : kOpenDialogClass, nullptr, CLSCTX_INPROC,
                                save ? IID_IFileSaveDialog : IID_IFileOpenDialog, dialog.receive()))) {
        return nullptr;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions((options | static_cast<DWORD>(optionsToSet)) & ~static_cast<DWORD>(optionsToClear));
    if (filterNames) setFileTypes(dialog.get(), env, filterNames, filterPatterns, filterIndex);
    ComPtr<IFileDialogCustomize> customize;
    if (labels.count() > 0 && SUCCEEDED(dialog->QueryInterface(IID_IFileDialogCustomize, customize.receive()))) {
        addCheckBoxes(customize.get(), labels, states);
    }

    if (extension.get()) dialog->SetDefaultExtension(extension.get());
    if (titleText.get()) dialog->SetTitle(titleText.get());
    if (okText.get()) dialog->SetOkButtonLabel(okText.get());
    dialog->ClearClientData();
    ComPtr<IShellItem> folderItem;
    if (folderPath.get() && SUCCEEDED(createItem(folderPath.get(), nullptr, IID_IShellItem, folderItem.receive()))) {
        dialog->SetFolder(folderItem.get());
    }
    if (name.get()) dialog->SetFileName(name.get());

    // Window handles are 32 bits wide in either build; the high half is not ours to read.
    HWND owner = static_cast<HWND>(handleFromJava(static_cast<jint>(ownerWindow)));
    if (dialog->Show(owner) != S_OK) return nullptr;
    if (customize) readCheckBoxes(customize.get(), labels.count(), states);
    ComPtr<IShellItemArray> items;
    if (!resultItems(dialog.get(), save, createItemArray, items)) return nullptr;
    return ItemPaths(items.get()).toJava(env);
}
