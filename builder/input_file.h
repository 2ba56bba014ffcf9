// A file read at explicit offsets, never further than its size: the reader
// of setup files that may be truncated or damaged anywhere.
#pragma once
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

class InputFile {
public:
    bool open(const std::string& path, std::string* error);
    uint64_t size() const { return size_; }
    // False unless all n bytes at offset exist and could be read.
    bool readAt(uint64_t offset, void* out, size_t n) const;

private:
    mutable std::ifstream in_;
    uint64_t size_ = 0;
};
