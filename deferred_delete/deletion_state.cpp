// Bounded texts of the deletion handler; see deletion_state.h.
#include "deferred_delete/deletion_state.h"

namespace {

bool isHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

void clearText(BoundedText& text) {
    text.length = 0;
    text.full = false;
    text.text[0] = L'\0';
}

void appendText(BoundedText& text, const wchar_t* units, size_t count) {
    if (text.full) return;
    const size_t room = kListUnits - 1 - text.length;
    size_t take = 0;
    while (take < count && units[take] != L'\0') ++take;
    bool overflow = take > room;
    if (overflow) take = room;
    for (size_t i = 0; i < take; ++i) text.text[text.length + i] = units[i];
    text.length += take;
    if (overflow) {
        text.full = true;
        if (text.length > 0 && isHighSurrogate(text.text[text.length - 1])) --text.length;
    }
    text.text[text.length] = L'\0';
}
