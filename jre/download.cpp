// The runtime download: WinINet looked up by name (older systems and
// stripped-down ones may lack it), a few attempts, each one a fresh session.
// An attempt fails on an error status, a missing length, a connection that
// ends before the announced length, or a digest that differs from the pinned
// one; a failed attempt leaves no file behind.
#include "jre/download.h"

#include <commctrl.h>
#include <wininet.h>

#include <cwchar>

#include "jre/download_digest.h"
#include "launcher/base/config_keys.h"
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

void showCopyProgress(HWND dialog, DWORD received, DWORD length, DWORD started) {
    DWORD elapsed = GetTickCount() - started;
    wchar_t format[kMessageCapacity];
    wchar_t line[kMessageCapacity];
    getMessage(kMsgProgressLine, format);
    const double megabyte = 1048576.0;
    formatWide(line, kMessageCapacity, format, received / megabyte, length / megabyte,
               received * 100.0 / length, static_cast<double>(received) / (elapsed ? elapsed : 1));
    setStatusLine(dialog, line);
    SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETPOS,
                        static_cast<WPARAM>(static_cast<double>(received) / length * 100), 0);
}

// The body into the destination file; false (the file deleted) unless all of
// it arrived, was written, and matches the pinned digest.
bool copyBody(HWND dialog, HINTERNET request, DWORD length, DownloadDigest& digest) {
    logMessage(L"file size: %d, handle %p", static_cast<int>(length), request);
    ScopedHandle file(CreateFileA(kDestination, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file.valid()) {
        logError(L"opening the destination file %S failed with error code %d", kDestination,
                 static_cast<int>(GetLastError()));
        return false;
    }
    static char piece[kReadPiece];
    DWORD started = GetTickCount();
    DWORD lastUpdate = started;
    DWORD received = 0;
    bool complete = false;
    while (received < length) {
        DWORD want = length - received < kReadPiece ? length - received : kReadPiece;
        DWORD got = 0;
        if (!g_net.readFile(request, piece, want, &got)) {
            logError(L"InternetReadFile failed with error code %d", static_cast<int>(GetLastError()));
            break;
        }
        // Success with no data: the server has closed the connection early.
        if (got == 0) {
            logError(L"the download ended after %d of %d bytes", static_cast<int>(received), static_cast<int>(length));
            break;
        }
        DWORD written = 0;
        if (!WriteFile(file.get(), piece, got, &written, nullptr) || written != got) {
            logError(L"writing the destination file %S failed with error code %d", kDestination,
                     static_cast<int>(GetLastError()));
            break;
        }
        digest.add(piece, got);
        received += got;
        if (dialog && GetTickCount() - lastUpdate > kProgressInterval) {
            showCopyProgress(dialog, received, length, started);
            lastUpdate = GetTickCount();
        }
        complete = received == length;
    }
    file.close();
    if (length == 0) complete = true;
    if (complete && !digest.matches()) complete = false;
    if (!complete) {
        DeleteFileA(kDestination);
        return false;
    }
    logMessage(L"download successful");
    return true;
}

bool downloadOnce(HWND dialog, const wchar_t* address) {
    if (dialog) setMessageText(dialog, IDC_STATUS_LINE, kMsgConnecting);
    DWORD result = g_net.attemptConnect(0);
    if (result != 0) logError(L"InternetAttemptConnect returned %d", static_cast<int>(result));
    NetHandle session(g_net.open(L"tolvanrix download agent", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.get()) {
        logError(L"InternetOpen failed with error code %d", static_cast<int>(GetLastError()));
        return false;
    }
    NetHandle request(openUrl(session.get(), address));
    if (!request.get()) {
        logError(L"InternetOpenUrl failed with error code %d", static_cast<int>(GetLastError()));
        return false;
    }
    DWORD length = 0;
    if (!contentLength(session.get(), request, address, &length)) return false;
    DownloadDigest digest;
    if (!digest.start()) return false;
    return copyBody(dialog, request.get(), length, digest);
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
        if (downloadOnce(dialog, address)) break;
        Sleep(kAttemptPause);
        logError(L"Retry JRE download");
        if (attempt == kAttempts) failMessage(kMsgDownloadFailed);
    }
    if (dialog) ShowWindow(GetDlgItem(dialog, IDC_STATUS_LINE), SW_HIDE);
}
