// The temporary file lives in the target's directory so that the final
// rename stays on one file system and replaces the target in one step. A
// signal during the write removes it too.
#include "builder/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "builder/file_io.h"

namespace {

char gPendingTemp[4096];  // removed by the signal handler while set

void removePendingTemp(int signal) {
    if (gPendingTemp[0]) ::unlink(gPendingTemp);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void guardTemp(const std::string& path) {
    std::snprintf(gPendingTemp, sizeof gPendingTemp, "%s", path.c_str());
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, removePendingTemp);
    // Beyond the file size limit a write should fail and clean up, not kill the tool.
    std::signal(SIGXFSZ, SIG_IGN);
}

void releaseTemp() { gPendingTemp[0] = '\0'; }

bool writeAll(int fd, const payload_writer::Bytes& data) {
    size_t done = 0;
    while (done < data.size()) {
        errno = 0;
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// A setup file is a program: executable for whoever the umask allows.
void makeExecutable(int fd) {
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0777 & ~mask);
}

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::vector<const payload_writer::Bytes*>& parts,
                         std::string* error, bool* inputError) {
    std::string temp = directoryOf(path) + "/." + baseName(path) + ".tmp-XXXXXX";
    *inputError = true;
    struct stat st;
    if (baseName(path).empty() || (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        *error = "output " + path + ": names a directory";
        return false;
    }
    guardTemp(temp);  // the template is rewritten in place below
    int fd = ::mkstemp(gPendingTemp);
    if (fd < 0) {
        *error = "output " + path + ": cannot create a file in " + directoryOf(path) + ": " + std::strerror(errno);
        releaseTemp();
        return false;
    }
    temp = gPendingTemp;
    *inputError = false;
    makeExecutable(fd);
    int failure = 0;
    for (const payload_writer::Bytes* part : parts)
        if (!failure && !writeAll(fd, *part)) failure = errno ? errno : EIO;
    if (!failure && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && !failure) failure = errno;
    if (!failure && ::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
    if (failure) {
        *error = "output " + path + ": " + std::strerror(failure);
        ::unlink(temp.c_str());
        releaseTemp();
        return false;
    }
    releaseTemp();
    return true;
}
