// ArgumentList storage and the command-line splitter.
#include "launcher/base/arguments.h"

#include <cstdlib>
#include <cwchar>

bool ArgumentList::append(const wchar_t* text, size_t length) {
    wchar_t* copy = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
    if (!copy) return false;
    if (length) std::wmemcpy(copy, text, length);
    copy[length] = L'\0';
    items_.push_back(copy);
    return true;
}

bool ArgumentList::append(const wchar_t* text) { return append(text, std::wcslen(text)); }

void ArgumentList::remove(int index) {
    if (index < 0 || index >= count()) return;
    std::free(items_[static_cast<size_t>(index)]);
    items_.erase(items_.begin() + index);
}

void ArgumentList::clear() {
    for (wchar_t* item : items_) std::free(item);
    items_.clear();
}

namespace {

// Appends prefix [p, open) joined with the quoted part (open, close).
void appendQuoted(ArgumentList& list, const wchar_t* p, const wchar_t* open, const wchar_t* close) {
    size_t before = static_cast<size_t>(open - p);
    size_t inside = static_cast<size_t>(close - open - 1);
    wchar_t small[512];
    wchar_t* joined =
        before + inside < 512 ? small : static_cast<wchar_t*>(std::malloc((before + inside + 1) * sizeof(wchar_t)));
    if (!joined) return;
    std::wmemcpy(joined, p, before);
    std::wmemcpy(joined + before, open + 1, inside);
    list.append(joined, before + inside);
    if (joined != small) std::free(joined);
}

}  // namespace

void splitCommandLine(const wchar_t* commandLine, ArgumentList& list) {
    if (!commandLine) return;
    const wchar_t* p = commandLine;
    while (*p) {
        const wchar_t* q2 = std::wcschr(p, L'"');
        const wchar_t* q1 = std::wcschr(p, L'\'');
        const wchar_t* sp = std::wcschr(p, L' ');
        if (*p == L' ') {
            ++p;
            continue;
        }
        if (sp && (!q2 || sp < q2) && (!q1 || sp < q1)) {
            list.append(p, static_cast<size_t>(sp - p));
            p = sp + 1;
            continue;
        }
        if (!q2 && !q1) {
            list.append(p);
            break;
        }
        const wchar_t* open = (q2 && (!q1 || q1 > q2)) ? q2 : q1;
        const wchar_t* close = std::wcschr(open + 1, *open);
        if (!close) close = open + std::wcslen(open);
        appendQuoted(list, p, open, close);
        p = *close ? close + 1 : close;
        if (*p == L' ') ++p;
    }
}
