// The temporary file lives in the target's directory so that the final
// rename stays on one file system and replaces the target in one step. A
// signal during the write removes it too.
#include "builder/output_file.h"

#include <cerrno>
#include <cstring>
#include <random>

#include "builder/file_io.h"
#include "builder/host_system.h"
#include "builder/utf8_path.h"

namespace {

// A name no other build beside this one uses at the same time.
int openTemporary(const std::string& path, std::string* temp) {
    const std::string stem = (fsPath(directoryOf(path)) / fsPath("." + baseNameOf(path))).u8string() + ".tmp-";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temp = stem + std::to_string(random());
        host::removeOnInterrupt(*temp);
        int fd = host::createNewFile(*temp);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::vector<const payload_writer::Bytes*>& parts,
                         std::string* error, bool* inputError) {
    *inputError = true;
    std::error_code ec;
    if (baseNameOf(path).empty() || std::filesystem::is_directory(fsPath(path), ec)) {
        *error = "output " + path + ": names a directory";
        return false;
    }
    std::string temp;
    int fd = openTemporary(path, &temp);
    if (fd < 0) {
        *error = "output " + path + ": cannot create a file in " + directoryOf(path) + ": " + std::strerror(errno);
        host::removeOnInterrupt("");
        return false;
    }
    *inputError = false;
    int failure = 0;
    for (const payload_writer::Bytes* part : parts)
        if (!failure && !host::writeAll(fd, part->data(), part->size())) failure = errno ? errno : EIO;
    if (!host::syncAndClose(fd) && !failure) failure = errno;
    if (!failure && !host::replaceFile(temp, path)) failure = errno;
    if (failure) {
        *error = "output " + path + ": " + std::strerror(failure);
        host::removeFile(temp);
    }
    host::removeOnInterrupt("");
    return failure == 0;
}
