// Typed run-time lookup of an exported function: the launcher binds every
// function that older Windows versions may lack this way.
#pragma once
#include <windows.h>

template <typename Function>
Function procAddress(HMODULE module, const char* name) {
    if (!module) return nullptr;
    // A detour through the generic function type keeps the compiler quiet
    // about the cast; the caller vouches for the real signature.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
