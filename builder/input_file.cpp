// Positional reads: the file is never loaded whole, so inspecting a large
// setup file costs no more memory than its largest table text.
#include "builder/input_file.h"

#include <cerrno>
#include <cstring>

#include "builder/file_io.h"
#include "builder/utf8_path.h"

bool InputFile::open(const std::string& path, std::string* error) {
    std::error_code ec;
    std::filesystem::file_status status = std::filesystem::status(fsPath(path), ec);
    if (ec) {
        *error = path + ": " + ec.message();
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        *error = path + ": not a regular file";
        return false;
    }
    errno = 0;
    in_.open(fsPath(path), std::ios::binary);
    if (!in_) {
        *error = path + ": " + std::strerror(errno ? errno : EACCES);
        return false;
    }
    size_ = std::filesystem::file_size(fsPath(path), ec);
    return !ec;
}

bool InputFile::readAt(uint64_t offset, void* out, size_t n) const {
    if (offset > size_ || n > size_ - offset) return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(static_cast<char*>(out), static_cast<std::streamsize>(n));
    return in_.gcount() == static_cast<std::streamsize>(n);
}
