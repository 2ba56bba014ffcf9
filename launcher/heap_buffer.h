// A byte buffer on the heap that frees itself; get() is null when the
// allocation failed, which the owner must check.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdlib>

class HeapBuffer {
public:
    explicit HeapBuffer(size_t size) : data_(static_cast<BYTE*>(std::malloc(size))) {}
    ~HeapBuffer() { std::free(data_); }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;
    BYTE* get() const { return data_; }

private:
    BYTE* data_;
};
