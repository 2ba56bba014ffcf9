// Reading input files whole: the build needs every byte in memory anyway to
// compute the CRC before the header is written.
#include "builder/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "builder/utf8_path.h"

namespace fs = std::filesystem;

bool readWholeFile(const std::string& path, payload_writer::Bytes* out, std::string* error) {
    std::error_code ec;
    fs::file_status status = fs::status(fsPath(path), ec);
    if (ec) {
        *error = path + ": " + ec.message();
        return false;
    }
    if (!fs::is_regular_file(status)) {
        *error = path + ": not a regular file";
        return false;
    }
    errno = 0;
    std::ifstream in(fsPath(path), std::ios::binary);
    if (!in) {
        *error = path + ": " + std::strerror(errno ? errno : EACCES);
        return false;
    }
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *error = path + ": read error";
        return false;
    }
    return true;
}

std::string directoryOf(const std::string& path) {
    fs::path parent = fsPath(path).parent_path();
    return parent.empty() ? "." : parent.u8string();
}

std::string baseNameOf(const std::string& path) { return fsPath(path).filename().u8string(); }

std::string resolveAgainst(const std::string& base, const std::string& path) {
    fs::path given = fsPath(path);
    if (given.has_root_directory() || given.has_root_name() || base == ".") return path;
    return (fsPath(base) / given).u8string();
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(fsPath(a), fsPath(b), ec) && !ec;
}
