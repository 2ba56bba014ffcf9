// The two systems the build tool runs on. Everything else in the tool is
// plain standard C++ and reads files through std::filesystem paths made
// from UTF-8, so this file is the only one that knows which system it is.
#include "builder/host_system.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace host {
namespace {

char gPendingRemoval[4096];  // removed by the signal handler while set

void removePending(int signal) {
    if (gPendingRemoval[0]) std::remove(gPendingRemoval);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

#ifdef _WIN32
std::string utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& path) { return std::filesystem::u8path(path).wstring(); }
#endif

}  // namespace

#ifdef _WIN32

std::vector<std::string> arguments(int, char**) {
    std::vector<std::string> out;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; argv && i < count; ++i) out.push_back(utf8(argv[i]));
    LocalFree(argv);
    return out;
}

std::string toolDirectory() {
    wchar_t path[32768];
    DWORD n = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (n == 0 || n >= sizeof path / sizeof path[0]) return std::string();
    return std::filesystem::path(path).parent_path().u8string();
}

int createNewFile(const std::string& path) {
    return _wopen(wide(path).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
}

namespace {
long writeSome(int fd, const char* from, size_t size) {
    return _write(fd, from, size > (1u << 30) ? 1u << 30 : static_cast<unsigned>(size));
}
int flushToDisk(int fd) { return _commit(fd); }
int closeFile(int fd) { return _close(fd); }
}  // namespace

bool replaceFile(const std::string& from, const std::string& to) {
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}

void removeFile(const std::string& path) { _wremove(wide(path).c_str()); }

#else

std::vector<std::string> arguments(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }

std::string toolDirectory() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

int createNewFile(const std::string& path) {
    return ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0777);
}

namespace {
long writeSome(int fd, const char* from, size_t size) { return ::write(fd, from, size); }
int flushToDisk(int fd) { return ::fsync(fd); }
int closeFile(int fd) { return ::close(fd); }
}  // namespace

bool replaceFile(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

#endif

bool writeAll(int fd, const void* data, size_t size) {
    const char* from = static_cast<const char*>(data);
    while (size > 0) {
        errno = 0;
        long n = writeSome(fd, from, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        from += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool syncAndClose(int fd) {
    bool synced = flushToDisk(fd) == 0;
    int saved = errno;
    bool closed = closeFile(fd) == 0;
    if (!synced) errno = saved;
    return synced && closed;
}

void removeOnInterrupt(const std::string& path) {
    std::snprintf(gPendingRemoval, sizeof gPendingRemoval, "%s", path.c_str());
    if (path.empty()) return;
    for (int sig : {SIGINT, SIGTERM}) std::signal(sig, removePending);
#ifndef _WIN32
    std::signal(SIGHUP, removePending);
    // Beyond the file size limit a write should fail and clean up, not kill the tool.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace host
