// Walking a separated list such as "a;b;;c" item by item, skipping empty
// items, each copied (cut to fit) into a bounded buffer.
#pragma once
#include <cstddef>

// Copies the next non-empty item at *cursor into out and moves *cursor behind
// it; false when no item is left.
bool nextListItem(const char** cursor, char separator, char* out, size_t capacity);
