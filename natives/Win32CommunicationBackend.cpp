// The natives of the runtime's Win32CommunicationBackend class: a private,
// message-oriented channel between two runtime processes over a named pipe,
// plus the process id and a liveness test for the partner. A message is a
// data block: a signed 32-bit little-endian length, then that many bytes.
#include "natives/native_support.h"

#include <jni.h>
#include <windows.h>

#include <cstdint>

#include "launcher/base/scoped.h"
#include "natives/diagnostic.h"

namespace {

constexpr jlong kInvalidHandle = -1;

// The longest block a reader accepts (and a writer sends). The length comes
// from the partner: without a bound, a corrupt or hostile prefix would make
// the reader allocate up to 2 GiB and wait for data that never comes.
constexpr int32_t kMostBlockBytes = 64 * 1024 * 1024;

constexpr DWORD kPipeBufferBytes = 65536;
// Not in the headers at this Windows level.
constexpr DWORD kFirstPipeInstance = 0x00080000;   // FILE_FLAG_FIRST_PIPE_INSTANCE
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
// move fewer, unless the pipe fails or ends.
template <typename Byte, typename Transfer>
bool transferAll(HANDLE pipe, Byte* data, int32_t size, Transfer transfer) {
    int32_t done = 0;
    while (done < size) {
        DWORD count = 0;
        if (!transfer(pipe, data + done, static_cast<DWORD>(size - done), &count, nullptr)) return false;
        done += static_cast<int32_t>(count);
    }
    return true;
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
// A length outside 0..kMostBlockBytes gives null without allocating; the
// pipe is then out of step and the caller has to close it.
extern "C" jbyteArray JNICALL TLX_JNI(Win32CommunicationBackend, readDataBlock0)(JNIEnv* env, jclass, jlong handle) {
    if (isInvalid(handle)) return nullptr;
    HANDLE pipe = handleFromJava(handle);
    int32_t length = 0;   // little-endian on the wire, as in memory here
    DWORD count = 0;
    if (!ReadFile(pipe, &length, sizeof(length), &count, nullptr) || count < sizeof(length)) return nullptr;
    if (length < 0 || length > kMostBlockBytes) return nullptr;
    jbyteArray block = env->NewByteArray(length);
    if (!block) return nullptr;
    jbyte* bytes = env->GetByteArrayElements(block, nullptr);
    if (!bytes) return nullptr;
    if (!transferAll(pipe, bytes, length, ReadFile)) {
        env->ReleaseByteArrayElements(block, bytes, JNI_ABORT);
        env->DeleteLocalRef(block);
        return nullptr;
    }
    env->ReleaseByteArrayElements(block, bytes, 0);
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
    if (!WriteFile(pipe, &length, sizeof(length), &count, nullptr) || count < sizeof(length)) return JNI_FALSE;
    jbyte* bytes = env->GetByteArrayElements(data, nullptr);
    if (!bytes) return JNI_FALSE;
    bool written = transferAll(pipe, bytes, length, WriteFile);
    env->ReleaseByteArrayElements(data, bytes, JNI_ABORT);
    if (!written) return JNI_FALSE;
    // On a pipe this returns once the partner has read everything.
    FlushFileBuffers(pipe);
    return JNI_TRUE;
}

// long connectClient0(String pipeName)  (Ljava/lang/String;)J  (0, not -1, is its failure)
extern "C" jlong JNICALL TLX_JNI(Win32CommunicationBackend, connectClient0)(JNIEnv* env, jclass, jstring pipeName) {
    JavaStringCopy name(env, pipeName);
    JavaStringCopy8 name8(env, pipeName);
    // No name can ever be opened: say so at once instead of retrying for minutes.
    if (!name.get()) {
        printDiagnostic("could not open file %d %s\n", ERROR_INVALID_PARAMETER, "");
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
        if (++failures > kMostConnectFailures) {
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
