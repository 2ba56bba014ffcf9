// The runtime download: WinINet looked up by name (older systems and
// stripped-down ones may lack it), a few attempts, each one a fresh session.
// An attempt fails on an error status, a missing length, an empty body, a
// connection that ends before the announced length, a digest that differs
// from the pinned one, or a stall; a failed attempt leaves no file behind.
//
// WinINet's own time-outs are set, but not every implementation keeps them
// (some hold a read until the server closes the connection, and closing the
// handle from another thread does not end it). So each attempt runs on a
// thread of its own, writing a file of its own, and the work thread watches
// it: an attempt that stalls is abandoned, its file deleted; its thread ends
// whenever its call returns and touches nothing shared by then.
#include "jre/download.h"

#include <commctrl.h>
#include <wininet.h>

#include <cstdio>
#include <cwchar>

#include "jre/download_digest.h"
#include "launcher/base/config_keys.h"
#include "launcher/base/limits.h"
#include "launcher/base/log.h"
#include "launcher/base/message_ids.h"
#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"
#include "launcher/errors.h"
#include "payload/config.h"
#include "resources/resource_ids.h"

namespace {

const char kDestination[] = "jre.tar.gz";
constexpr int kAttempts = 3;
// The stall rule: no byte for 30 seconds (connecting and the answer's
// headers included), or fewer than 32 KiB in a minute.
constexpr DWORD kStallMillis = 30000;
constexpr DWORD kRateWindowMillis = 60000;
constexpr DWORD kMinimumBytesPerWindow = 32 * 1024;
constexpr DWORD kWatchMillis = 250;
constexpr int kLengthQueries = 20;
constexpr DWORD kReadPiece = 16384;
constexpr DWORD kProgressInterval = 500;
constexpr DWORD kRequestFlags = INTERNET_FLAG_PASSIVE | INTERNET_FLAG_NO_CACHE_WRITE;

constexpr DWORD kQueryPause = 300;
constexpr DWORD kAttemptPause = 1000;

struct WinInet {
    HINTERNET(WINAPI* openUrl)(HINTERNET, LPCWSTR, LPCWSTR, DWORD, DWORD, DWORD_PTR);
    HINTERNET(WINAPI* open)(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);
    BOOL(WINAPI* queryInfo)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);
    DWORD(WINAPI* attemptConnect)(DWORD);
    BOOL(WINAPI* closeHandle)(HINTERNET);
    BOOL(WINAPI* readFile)(HINTERNET, LPVOID, DWORD, LPDWORD);
    // Optional: without them there are no time-outs of WinINet's own, and
    // reads wait for a full piece.
    BOOL(WINAPI* setOption)(HINTERNET, DWORD, LPVOID, DWORD);
    BOOL(WINAPI* queryDataAvailable)(HINTERNET, LPDWORD, DWORD, DWORD_PTR);
};
WinInet g_net;

// An internet handle, closed through the looked-up function.
class NetHandle {
public:
    explicit NetHandle(HINTERNET handle = nullptr) : handle_(handle) {}
    ~NetHandle() { reset(nullptr); }
    NetHandle(const NetHandle&) = delete;
    NetHandle& operator=(const NetHandle&) = delete;
    HINTERNET get() const { return handle_; }
    void reset(HINTERNET handle) {
        if (handle_) g_net.closeHandle(handle_);
        handle_ = handle;
    }

private:
    HINTERNET handle_;
};

bool loadWinInet() {
    HMODULE library = LoadLibraryA("wininet.dll");
    if (!library) {
        logError(L"Could not load wininet.dll");
        return false;
    }
    g_net.openUrl = procAddress<decltype(g_net.openUrl)>(library, "InternetOpenUrlW");
    g_net.open = procAddress<decltype(g_net.open)>(library, "InternetOpenW");
    g_net.queryInfo = procAddress<decltype(g_net.queryInfo)>(library, "HttpQueryInfoW");
    g_net.attemptConnect = procAddress<decltype(g_net.attemptConnect)>(library, "InternetAttemptConnect");
    g_net.closeHandle = procAddress<decltype(g_net.closeHandle)>(library, "InternetCloseHandle");
    g_net.readFile = procAddress<decltype(g_net.readFile)>(library, "InternetReadFile");
    g_net.setOption = procAddress<decltype(g_net.setOption)>(library, "InternetSetOptionW");
    g_net.queryDataAvailable = procAddress<decltype(g_net.queryDataAvailable)>(library, "InternetQueryDataAvailable");
    if (!g_net.openUrl || !g_net.open || !g_net.queryInfo || !g_net.attemptConnect || !g_net.closeHandle ||
        !g_net.readFile) {
        logError(L"Could not load wininet functions");
        return false;
    }
    return true;
}

void setStatusLine(HWND dialog, const wchar_t* text) {
    if (dialog) SetDlgItemTextW(dialog, IDC_STATUS_LINE, text);
}

void setMessageText(HWND dialog, int control, int messageId) {
    wchar_t text[kMessageCapacity];
    getMessage(messageId, text);
    SetDlgItemTextW(dialog, control, text);
}

bool queryNumber(HINTERNET request, DWORD info, DWORD* value) {
    DWORD size = sizeof(*value);
    return g_net.queryInfo(request, info | HTTP_QUERY_FLAG_NUMBER, value, &size, nullptr) != FALSE;
}

// WinINet hands an error page over like any response: the status decides.
// (A scheme without a status, such as ftp, has nothing to refuse here.)
bool refusedStatus(HINTERNET request) {
    DWORD status = 0;
    if (!queryNumber(request, HTTP_QUERY_STATUS_CODE, &status) || (status >= 200 && status < 300)) return false;
    logError(L"the server answered with status %d", static_cast<int>(status));
    return true;
}

HINTERNET openUrl(HINTERNET session, const wchar_t* address) {
    return g_net.openUrl(session, address, nullptr, 0, kRequestFlags, 0);
}

// The content length, asking again on a new request while the answer lacks one.
bool contentLength(HINTERNET session, NetHandle& request, const wchar_t* address, DWORD* length) {
    for (int tries = 1;; ++tries) {
        if (refusedStatus(request.get())) return false;
        if (queryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH, length)) return true;
        logError(L"HttpQueryInfo (try %d) failed with error code %d", tries, static_cast<int>(GetLastError()));
        if (tries == kLengthQueries) {
            logError(L"Giving up");
            return false;
        }
        Sleep(kQueryPause);
        request.reset(openUrl(session, address));
        if (!request.get()) {
            logError(L"InternetOpenUrl 2 failed with error code %d", static_cast<int>(GetLastError()));
            return false;
        }
    }
}

// One attempt, shared by its thread and the watching work thread. The slots
// are never reused within a process, so an abandoned thread may still write
// into its own.
enum AttemptState : LONG { kRunning, kSucceeded, kFailed, kAbandoned };

struct Attempt {
    // Copies: an abandoned thread may use them after the caller has gone on.
    wchar_t address[kPathCapacity];
    char file[kPathCapacity];  // the attempt's own file (full path), renamed on success
    volatile LONG state;
    volatile LONG received;  // bytes of the body so far
    volatile LONG length;    // the announced length, once known
};
Attempt g_attempts[kAttempts];

void setTimeouts(HINTERNET session) {
    if (!g_net.setOption) return;
    static const DWORD kOptions[] = {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                                     INTERNET_OPTION_SEND_TIMEOUT};
    DWORD millis = kStallMillis;
    for (DWORD option : kOptions) g_net.setOption(session, option, &millis, sizeof(millis));
}

// A read never waits for more than has arrived: a slow stream then shows as
// slow rather than as silent.
DWORD readablePiece(HINTERNET request, DWORD remaining) {
    DWORD want = remaining < kReadPiece ? remaining : kReadPiece;
    DWORD available = 0;
    if (g_net.queryDataAvailable && g_net.queryDataAvailable(request, &available, 0, 0) && available > 0 &&
        available < want)
        want = available;
    return want;
}

// The body into the attempt's file; false unless all of it arrived, was
// written, and matches the pinned digest.
bool copyBody(Attempt& attempt, HINTERNET request, DWORD length, DownloadDigest& digest) {
    logMessage(L"file size: %d, handle %p", static_cast<int>(length), request);
    if (length == 0) {
        logError(L"the server sent an empty file");
        return false;
    }
    // Deletable while open: a watcher that gives the attempt up removes it.
    ScopedHandle file(CreateFileA(attempt.file, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        logError(L"opening the destination file %S failed with error code %d", attempt.file,
                 static_cast<int>(GetLastError()));
        return false;
    }
    static char pieces[kAttempts][kReadPiece];
    char* piece = pieces[&attempt - g_attempts];
    DWORD received = 0;
    while (received < length) {
        DWORD got = 0;
        if (!g_net.readFile(request, piece, readablePiece(request, length - received), &got)) {
            logError(L"InternetReadFile failed with error code %d", static_cast<int>(GetLastError()));
            return false;
        }
        // Success with no data: the server has closed the connection early.
        if (got == 0) {
            logError(L"the download ended after %d of %d bytes", static_cast<int>(received), static_cast<int>(length));
            return false;
        }
        DWORD written = 0;
        if (!WriteFile(file.get(), piece, got, &written, nullptr) || written != got) {
            logError(L"writing the destination file %S failed with error code %d", attempt.file,
                     static_cast<int>(GetLastError()));
            return false;
        }
        digest.add(piece, got);
        received += got;
        InterlockedExchange(&attempt.received, static_cast<LONG>(received));
    }
    return digest.matches();
}

bool fetch(Attempt& attempt) {
    DWORD result = g_net.attemptConnect(0);
    if (result != 0) logError(L"InternetAttemptConnect returned %d", static_cast<int>(result));
    NetHandle session(g_net.open(L"tolvanrix download agent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.get()) {
        logError(L"InternetOpen failed with error code %d", static_cast<int>(GetLastError()));
        return false;
    }
    setTimeouts(session.get());
    NetHandle request(openUrl(session.get(), attempt.address));
    if (!request.get()) {
        logError(L"InternetOpenUrl failed with error code %d", static_cast<int>(GetLastError()));
        return false;
    }
    DWORD length = 0;
    if (!contentLength(session.get(), request, attempt.address, &length)) return false;
    InterlockedExchange(&attempt.length, static_cast<LONG>(length));
    DownloadDigest digest;
    return digest.start() && copyBody(attempt, request.get(), length, digest);
}

DWORD WINAPI runAttempt(LPVOID parameter) {
    Attempt& attempt = *static_cast<Attempt*>(parameter);
    LONG outcome = fetch(attempt) ? kSucceeded : kFailed;
    // A failed attempt, or one given up meanwhile, leaves no file.
    if (InterlockedCompareExchange(&attempt.state, outcome, kRunning) != kRunning || outcome == kFailed)
        DeleteFileA(attempt.file);
    return 0;
}

void showCopyProgress(HWND dialog, DWORD received, DWORD length, DWORD started) {
    if (!dialog || length == 0) return;
    DWORD elapsed = GetTickCount() - started;
    wchar_t format[kMessageCapacity];
    wchar_t line[kMessageCapacity];
    getMessage(kMsgProgressLine, format);
    const double megabyte = 1048576.0;
    formatWide(line, kMessageCapacity, format, received / megabyte, length / megabyte, received * 100.0 / length,
               static_cast<double>(received) / (elapsed ? elapsed : 1));
    setStatusLine(dialog, line);
    SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETPOS,
                        static_cast<WPARAM>(static_cast<double>(received) / length * 100), 0);
}

// The stall rule over what the attempt has received so far.
class StallWatch {
public:
    enum Verdict { kProgressing, kSilent, kTooSlow };

    explicit StallWatch(DWORD now) : lastByte_(now), windowStart_(now) {}

    Verdict verdict(DWORD received, DWORD now) {
        if (received != lastReceived_) {
            lastReceived_ = received;
            lastByte_ = now;
        }
        if (now - lastByte_ >= kStallMillis) return kSilent;
        if (now - windowStart_ < kRateWindowMillis) return kProgressing;
        if (received - windowReceived_ < kMinimumBytesPerWindow) return kTooSlow;
        windowStart_ = now;
        windowReceived_ = received;
        return kProgressing;
    }

private:
    DWORD lastByte_;
    DWORD lastReceived_ = 0;
    DWORD windowStart_;
    DWORD windowReceived_ = 0;
};

void logStall(StallWatch::Verdict verdict) {
    if (verdict == StallWatch::kSilent) logError(L"no data for %d seconds", static_cast<int>(kStallMillis / 1000));
    else
        logError(L"less than %d bytes in %d seconds", static_cast<int>(kMinimumBytesPerWindow),
                 static_cast<int>(kRateWindowMillis / 1000));
}

// Runs one attempt and watches it; true when jre.tar.gz has arrived whole.
bool downloadOnce(HWND dialog, const wchar_t* address, int number) {
    if (dialog) setMessageText(dialog, IDC_STATUS_LINE, kMsgConnecting);
    Attempt& attempt = g_attempts[number - 1];
    formatWide(attempt.address, kPathCapacity, L"%s", address);
    char name[32];
    std::snprintf(name, sizeof(name), "%s.%d", kDestination, number);
    DWORD n = GetFullPathNameA(name, sizeof(attempt.file), attempt.file, nullptr);
    if (n == 0 || n >= sizeof(attempt.file)) std::snprintf(attempt.file, sizeof(attempt.file), "%s", name);
    ScopedHandle thread(CreateThread(nullptr, 0, runAttempt, &attempt, 0, nullptr));
    if (!thread.valid()) {
        logError(L"could not start the download (%d)", static_cast<int>(GetLastError()));
        return false;
    }
    DWORD started = GetTickCount();
    DWORD lastUpdate = started;
    StallWatch watch(started);
    while (WaitForSingleObject(thread.get(), kWatchMillis) == WAIT_TIMEOUT) {
        DWORD now = GetTickCount();
        DWORD received = static_cast<DWORD>(InterlockedCompareExchange(&attempt.received, 0, 0));
        if (now - lastUpdate > kProgressInterval) {
            showCopyProgress(dialog, received, static_cast<DWORD>(attempt.length), started);
            lastUpdate = now;
        }
        StallWatch::Verdict verdict = watch.verdict(received, now);
        if (verdict != StallWatch::kProgressing &&
            InterlockedCompareExchange(&attempt.state, kAbandoned, kRunning) == kRunning) {
            logStall(verdict);
            DeleteFileA(attempt.file);
            return false;
        }
    }
    if (attempt.state != kSucceeded) return false;
    if (!MoveFileExA(attempt.file, kDestination, MOVEFILE_REPLACE_EXISTING)) {
        logError(L"could not rename %S (%d)", attempt.file, static_cast<int>(GetLastError()));
        DeleteFileA(attempt.file);
        return false;
    }
    logMessage(L"download successful");
    return true;
}

}  // namespace

void downloadJre(HWND dialog, const wchar_t* address) {
    if (dialog) {
        setMessageText(dialog, IDC_MAIN_TEXT, kMsgDownloading);
        setMessageText(dialog, IDCANCEL, kMsgCancel);
        ShowWindow(GetDlgItem(dialog, IDC_STATUS_LINE), SW_SHOW);
    }
    if (!loadWinInet()) failMessage(kMsgNoInternetLibrary);
    for (int attempt = 1;; ++attempt) {
        if (downloadOnce(dialog, address, attempt)) break;
        Sleep(kAttemptPause);
        logError(L"Retry JRE download");
        if (attempt == kAttempts) failMessage(kMsgDownloadFailed);
    }
    if (dialog) ShowWindow(GetDlgItem(dialog, IDC_STATUS_LINE), SW_HIDE);
}
