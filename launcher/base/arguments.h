// ArgumentList: an owned, ordered list of UTF-16 arguments, and the launcher's
// own command-line splitter (double and single quotes, no escape character).
#pragma once
#include <cstddef>
#include <vector>

class ArgumentList {
public:
    ArgumentList() = default;
    ~ArgumentList() { clear(); }
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;

    int count() const { return static_cast<int>(items_.size()); }
    const wchar_t* at(int index) const { return items_[static_cast<size_t>(index)]; }
    // Appends a copy of the first `length` units of text; false when out of memory.
    bool append(const wchar_t* text, size_t length);
    bool append(const wchar_t* text);
    void remove(int index);
    void clear();

private:
    std::vector<wchar_t*> items_;
};

// Appends the arguments of a UTF-16 command line to the list.
void splitCommandLine(const wchar_t* commandLine, ArgumentList& list);
