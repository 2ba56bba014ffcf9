// The natives of the runtime's ShellLink class: shortcut files saved through
// the shell's link object, and the shell told about new files. COM runs on
// the calling Java thread, which the runtime prepares with initialize0.
#include "natives/native_support.h"

#include <windows.h>
#include <jni.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "launcher/base/scoped.h"
#include "natives/shell_binding.h"

namespace {

const DWORD kRunAsUserFlag = 0x2000;         // SLDF_RUNAS_USER: "run as administrator"
const LONG kEventCreated = 0x2;              // SHCNE_CREATE
const LONG kEventDirectoryUpdated = 0x1000;  // SHCNE_UPDATEDIR
const UINT kWidePath = 0x5;                  // SHCNF_PATHW
const UINT kFlush = 0x1000;                  // SHCNF_FLUSH

struct ShortcutFields {
    const wchar_t* linkFile;
    const wchar_t* target;
    const wchar_t* workingDirectory;
    const wchar_t* iconFile;
    const wchar_t* arguments;
    const wchar_t* description;
    int showCommand;
    bool runAsAdministrator;
};

// The link is filled first and saved last: a failure from the persist step
// on leaves no file behind. Setting a field that Windows refuses does not
// stop the save, as with an overlong description the shell cuts itself.
// A field without a value is not set at all: the link object's setters
// read the text they are given, and a null one brings the process down.
bool saveShortcut(const ShortcutFields& fields) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receive())))
        return false;
    if (fields.target) link->SetPath(fields.target);
    if (fields.workingDirectory) link->SetWorkingDirectory(fields.workingDirectory);
    if (fields.iconFile) link->SetIconLocation(fields.iconFile, 0);
    if (fields.arguments) link->SetArguments(fields.arguments);
    if (fields.description) link->SetDescription(fields.description);
    link->SetShowCmd(fields.showCommand);

    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.receive()))) return false;
    if (fields.runAsAdministrator) {
        ComPtr<IShellLinkDataList> data;
        DWORD flags = 0;
        if (FAILED(link->QueryInterface(IID_IShellLinkDataList, data.receive())) || FAILED(data->GetFlags(&flags)) ||
            FAILED(data->SetFlags(flags | kRunAsUserFlag)))
            return false;
    }
    // Saving to no name would mean "the file the link was loaded from",
    // which a new link does not have.
    return fields.linkFile && SUCCEEDED(file->Save(fields.linkFile, TRUE));
}

// The text in a Java byte array as a NUL-terminated UTF-16 copy: the bytes
// are UTF-16LE (wide) or 8-bit in the ANSI code page. Both conversions go by
// the array's length, never by a terminator, so an array without one is
// read no further than it goes; the text ends at its first NUL. The array
// is released without copy-back. Null for a null array or without memory.
wchar_t* copyByteText(JNIEnv* env, jbyteArray bytes, bool wide) {
    if (!bytes) return nullptr;
    jsize size = env->GetArrayLength(bytes);
    // One unit per byte is enough for either form.
    wchar_t* text = static_cast<wchar_t*>(std::malloc((static_cast<size_t>(size) + 1) * sizeof(wchar_t)));
    jbyte* raw = text ? env->GetByteArrayElements(bytes, nullptr) : nullptr;
    if (!raw) {
        std::free(text);
        return nullptr;
    }
    int units = wide ? size / 2 : MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<char*>(raw), size, text, size);
    if (wide) std::memcpy(text, raw, static_cast<size_t>(units) * sizeof(wchar_t));
    env->ReleaseByteArrayElements(bytes, raw, JNI_ABORT);
    text[units] = L'\0';
    return text;
}

}  // namespace

// boolean createWide0(String linkFile, String target, String workingDirectory, String iconFile, String arguments,
//                     boolean runAsAdministrator, String description, int showCommand)
extern "C" jboolean JNICALL TLX_JNI(ShellLink, createWide0)(JNIEnv* env, jclass, jstring linkFile, jstring target,
                                                            jstring workingDirectory, jstring iconFile,
                                                            jstring arguments, jboolean runAsAdministrator,
                                                            jstring description, jint showCommand) {
    JavaStringCopy link(env, linkFile), path(env, target), directory(env, workingDirectory), icon(env, iconFile),
        parameters(env, arguments), text(env, description);
    if (anyRefused(link, path, directory, icon, parameters, text)) return JNI_FALSE;
    ShortcutFields fields = {link.get(),       path.get(), directory.get(), icon.get(),
                             parameters.get(), text.get(), showCommand,     runAsAdministrator != JNI_FALSE};
    return saveShortcut(fields) ? JNI_TRUE : JNI_FALSE;
}

// boolean changeNotify0(byte[] createdPath, byte[] updatedDirectory)  ([B[B)Z
// Without shell32 nobody was told, and the answer says so.
extern "C" jboolean JNICALL TLX_JNI(ShellLink, changeNotify0)(JNIEnv* env, jclass, jbyteArray createdPath,
                                                              jbyteArray updatedDirectory) {
    ShellFunctions shell;
    if (!shellFunctions(&shell)) return JNI_FALSE;
    ScopedMalloc<wchar_t*> created(copyByteText(env, createdPath, true));
    ScopedMalloc<wchar_t*> updated(copyByteText(env, updatedDirectory, true));
    shell.changeNotify(kEventCreated, kWidePath, created.get(), nullptr);
    shell.changeNotify(kEventDirectoryUpdated, kWidePath | kFlush, updated.get(), nullptr);
    return JNI_TRUE;
}

// boolean initialize0()  ()Z
extern "C" jboolean JNICALL TLX_JNI(ShellLink, initialize0)(JNIEnv*, jclass) {
    CoInitialize(nullptr);
    return JNI_TRUE;
}

// boolean uninitialize()  ()Z
extern "C" jboolean JNICALL TLX_JNI(ShellLink, uninitialize)(JNIEnv*, jclass) {
    CoUninitialize();
    return JNI_TRUE;
}

// boolean create0(byte[] linkFile, byte[] target, byte[] workingDirectory, byte[] iconFile, byte[] arguments,
//                 byte[] description, int showCommand)
// The 8-bit form of createWide0 (NUL-terminated ANSI texts, no run-as flag)
// for runtimes that bind it themselves; no runtime class declares it.
extern "C" jboolean JNICALL TLX_JNI(ShellLink, create0)(JNIEnv* env, jclass, jbyteArray linkFile, jbyteArray target,
                                                        jbyteArray workingDirectory, jbyteArray iconFile,
                                                        jbyteArray arguments, jbyteArray description,
                                                        jint showCommand) {
    ScopedMalloc<wchar_t*> link(copyByteText(env, linkFile, false)), path(copyByteText(env, target, false)),
        directory(copyByteText(env, workingDirectory, false)), icon(copyByteText(env, iconFile, false)),
        parameters(copyByteText(env, arguments, false)), text(copyByteText(env, description, false));
    ShortcutFields fields = {link.get(),       path.get(), directory.get(), icon.get(),
                             parameters.get(), text.get(), showCommand,     false};
    return saveShortcut(fields) ? JNI_TRUE : JNI_FALSE;
}
