// The natives of the runtime's Win32CommunicationBackend class: a private,
// message-oriented channel between two runtime processes over a named pipe,
// plus the process id and a liveness test for the partner. A message is a
// data block: a signed 32-bit little-endian length, then that many bytes.
#include "natives/native_support.h"

#include <windows.h>
#include <jni.h>

#include <cstdint>
#include <cwchar>

#include "launcher/base/scoped.h"
#include "natives/diagnostic.h"

namespace {

constexpr jlong kInvalidHandle = -1;

// The longest block a reader accepts (and a writer sends). The length comes
// from the partner: without a bound, a corrupt or hostile prefix would make
// the reader allocate up to 2 GiB and wait for data that never comes.
constexpr int32_t kMostBlockBytes = 64 * 1024 * 1024;

constexpr DWORD kPipeBufferBytes = 65536;
// A block passes between the pipe and its Java array in pieces of this size,
// so that the array is the only copy of the whole block.
constexpr int32_t kPieceBytes = 65536;
// Not in the headers at this Windows level.
constexpr DWORD kFirstPipeInstance = 0x00080000;    // FILE_FLAG_FIRST_PIPE_INSTANCE
constexpr DWORD kRejectRemoteClients = 0x00000008;  // PIPE_REJECT_REMOTE_CLIENTS
constexpr DWORD kQueryLimitedInformation = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION

constexpr int kMostConnectFailures = 600;
constexpr int kMostOpenFailures = 200;
constexpr DWORD kRetryPauseMillis = 500;
constexpr DWORD kFirstWaitMillis = 300000;
constexpr DWORD kRetryWaitMillis = 1000;

// Only the low 32 bits of a handle from Java count: the value was a 32-bit
// handle sign-extended, whichever build wrote it.
bool isInvalid(jlong handle) { return static_cast<uint32_t>(handle) == 0xFFFFFFFFu; }

// Passes exactly `size` bytes through ReadFile or WriteFile, which may each
// move fewer, unless the pipe fails or ends. Nothing moved is the end: a
// handle that is not a pipe (a file at its end) would otherwise be asked for
// ever.
template <typename Byte, typename Transfer>
bool transferAll(HANDLE pipe, Byte* data, int32_t size, Transfer transfer) {
    int32_t done = 0;
    while (done < size) {
        DWORD count = 0;
        if (!transfer(pipe, data + done, static_cast<DWORD>(size - done), &count, nullptr) || count == 0) return false;
        done += static_cast<int32_t>(count);
    }
    return true;
}

int32_t pieceAt(int32_t done, int32_t length) { return length - done < kPieceBytes ? length - done : kPieceBytes; }

enum class Direction { kFromPipe, kToPipe };

// The block's bytes between the pipe and its Java array, piece by piece.
bool passBlock(JNIEnv* env, HANDLE pipe, jbyteArray block, int32_t length, Direction direction) {
    HeapBuffer piece(static_cast<size_t>(pieceAt(0, length)) + 1);
    jbyte* bytes = reinterpret_cast<jbyte*>(piece.get());
    if (!bytes) return false;
    bool fromPipe = direction == Direction::kFromPipe;
    for (int32_t done = 0, size = 0; done < length; done += size) {
        size = pieceAt(done, length);
        if (!fromPipe) env->GetByteArrayRegion(block, done, size, bytes);
        if (!(fromPipe ? transferAll(pipe, bytes, size, ReadFile) : transferAll(pipe, bytes, size, WriteFile))) {
            return false;
        }
        if (fromPipe) env->SetByteArrayRegion(block, done, size, bytes);
    }
    return true;
}

// The names a client may open: those of pipes. Any other path (a file, a
// device) would be opened as readily, and a name that walks up out of the
// pipe folder ("..", "/") leaves it.
bool isPipeName(const wchar_t* name) {
    constexpr wchar_t kPipeFolder[] = L"\\\\.\\pipe\\";
    constexpr size_t kFolderUnits = sizeof(kPipeFolder) / sizeof(wchar_t) - 1;
    if (!name || _wcsnicmp(name, kPipeFolder, kFolderUnits) != 0) return false;
    const wchar_t* pipe = name + kFolderUnits;
    return *pipe && !wcspbrk(pipe, L"\\/") && wcscmp(pipe, L".") != 0 && wcscmp(pipe, L"..") != 0;
}

}  // namespace

// long getInvalidHandle0()  ()J
extern "C" jlong JNICALL TLX_JNI(Win32CommunicationBackend, getInvalidHandle0)(JNIEnv*, jclass) {
    return kInvalidHandle;
}

// long createListener0(String pipeName)  (Ljava/lang/String;)J
// First instance only: if another process (of the same user, say) created the
// name before us, it would otherwise receive what our partner sends.
extern "C" jlong JNICALL TLX_JNI(Win32CommunicationBackend, createListener0)(JNIEnv* env, jclass, jstring pipeName) {
    JavaStringCopy name(env, pipeName);
    if (!name.get()) return kInvalidHandle;
    HANDLE pipe = CreateNamedPipeW(name.get(), PIPE_ACCESS_DUPLEX | kFirstPipeInstance,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | kRejectRemoteClients, 1,
                                   kPipeBufferBytes, kPipeBufferBytes, 0, nullptr);
    return pipe == INVALID_HANDLE_VALUE ? kInvalidHandle : handleToJava(pipe);
}

// byte[] readDataBlock0(long handle)  (J)[B
// A length outside 0..kMostBlockBytes gives null without allocating, and so
// does one the Java heap cannot hold (its OutOfMemoryError is not left to
// the caller: natives answer by their result); the pipe is then out of step
// and the caller has to close it.
extern "C" jbyteArray JNICALL TLX_JNI(Win32CommunicationBackend, readDataBlock0)(JNIEnv* env, jclass, jlong handle) {
    if (isInvalid(handle)) return nullptr;
    HANDLE pipe = handleFromJava(handle);
    int32_t length = 0;  // little-endian on the wire, as in memory here
    DWORD count = 0;
    if (!ReadFile(pipe, &length, sizeof(length), &count, nullptr) || count < sizeof(length)) return nullptr;
    if (length < 0 || length > kMostBlockBytes) return nullptr;
    jbyteArray block = env->NewByteArray(length);
    if (!block) {
        env->ExceptionClear();
        return nullptr;
    }
    if (!passBlock(env, pipe, block, length, Direction::kFromPipe)) {
        env->DeleteLocalRef(block);
        return nullptr;
    }
    return block;
}

// boolean writeDataBlock0(long handle, byte[] data)  (J[B)Z
// A null array or one the partner would refuse to read is not sent at all.
extern "C" jboolean JNICALL TLX_JNI(Win32CommunicationBackend, writeDataBlock0)(JNIEnv* env, jclass, jlong handle,
                                                                                jbyteArray data) {
    if (isInvalid(handle) || !data) return JNI_FALSE;
    HANDLE pipe = handleFromJava(handle);
    int32_t length = env->GetArrayLength(data);
    if (length > kMostBlockBytes) return JNI_FALSE;
    DWORD count = 0;
    if (!WriteFile(pipe, &length, sizeof(length), &count, nullptr) || count < sizeof(length) ||
        !passBlock(env, pipe, data, length, Direction::kToPipe)) {
        return JNI_FALSE;
    }
    // On a pipe this returns once the partner has read everything.
    FlushFileBuffers(pipe);
    return JNI_TRUE;
}

// long connectClient0(String pipeName)  (Ljava/lang/String;)J  (0, not -1, is its failure)
extern "C" jlong JNICALL TLX_JNI(Win32CommunicationBackend, connectClient0)(JNIEnv* env, jclass, jstring pipeName) {
    JavaStringCopy name(env, pipeName);
    JavaStringCopy8 name8(env, pipeName);
    // No such name can ever be opened: say so at once instead of retrying for minutes.
    if (!isPipeName(name.get())) {
        printDiagnostic("could not open file %d %s\n", ERROR_INVALID_PARAMETER, name8.get() ? name8.get() : "");
        return 0;
    }
    WaitNamedPipeW(name.get(), kFirstWaitMillis);
    for (int failures = 0;;) {
        HANDLE pipe = CreateFileW(name.get(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return handleToJava(pipe);
        if (++failures > kMostOpenFailures) {
            printDiagnostic("could not open file %d %s\n", static_cast<int>(GetLastError()),
                            name8.get() ? name8.get() : "");
            return 0;
        }
        Sleep(kRetryPauseMillis);
        WaitNamedPipeW(name.get(), kRetryWaitMillis);
    }
}

// boolean connectNamedPipe0(long handle)  (J)Z
extern "C" jboolean JNICALL TLX_JNI(Win32CommunicationBackend, connectNamedPipe0)(JNIEnv*, jclass, jlong handle) {
    if (isInvalid(handle)) return JNI_FALSE;
    HANDLE pipe = handleFromJava(handle);
    for (int failures = 0;;) {
        if (ConnectNamedPipe(pipe, nullptr)) return JNI_TRUE;
        DWORD error = GetLastError();
        // The client came between the pipe's creation and this call.
        if (error == ERROR_PIPE_CONNECTED) return JNI_TRUE;
        // No retry makes a handle of something else (or of nothing) a pipe's.
        if (error == ERROR_INVALID_HANDLE || ++failures > kMostConnectFailures) {
            printDiagnostic("could not connect named pipe %d\n", static_cast<int>(error));
            return JNI_FALSE;
        }
        Sleep(kRetryPauseMillis);
    }
}

// void disconnectNamedPipe0(long handle)  (J)V
extern "C" void JNICALL TLX_JNI(Win32CommunicationBackend, disconnectNamedPipe0)(JNIEnv*, jclass, jlong handle) {
    if (!isInvalid(handle)) DisconnectNamedPipe(handleFromJava(handle));
}

// void closeHandle0(long handle)  (J)V
extern "C" void JNICALL TLX_JNI(Win32CommunicationBackend, closeHandle0)(JNIEnv*, jclass, jlong handle) {
    if (!isInvalid(handle)) CloseHandle(handleFromJava(handle));
}

// boolean isProcessAlive0(int pid)  (I)Z
// A process we may not inspect belongs to someone else, but it exists.
extern "C" jboolean JNICALL TLX_JNI(Win32CommunicationBackend, isProcessAlive0)(JNIEnv*, jclass, jint pid) {
    ScopedHandle process(OpenProcess(kQueryLimitedInformation, FALSE, static_cast<DWORD>(pid)));
    if (!process.valid()) return GetLastError() == ERROR_ACCESS_DENIED ? JNI_TRUE : JNI_FALSE;
    DWORD code = 0;
    return GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE ? JNI_TRUE : JNI_FALSE;
}

// int getCurrentProcessId0()  ()I
extern "C" jint JNICALL TLX_JNI(Win32CommunicationBackend, getCurrentProcessId0)(JNIEnv*, jclass) {
    return static_cast<jint>(GetCurrentProcessId());
}
