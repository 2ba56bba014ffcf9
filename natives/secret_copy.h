// The copy of a Java string that holds a secret (a password): like any
// argument copy, but overwritten before its memory goes back to the heap,
// so that no freed block keeps the password. Never log or print it.
#pragma once
#include <windows.h>
#include <jni.h>

#include "launcher/base/scoped.h"

class SecretCopy {
public:
    SecretCopy(JNIEnv* env, jstring text) : copy_(env, text) {}
    ~SecretCopy() {
        if (copy_.get()) SecureZeroMemory(copy_.data(), copy_.length() * sizeof(wchar_t));
    }
    SecretCopy(const SecretCopy&) = delete;
    SecretCopy& operator=(const SecretCopy&) = delete;

    const wchar_t* get() const { return copy_.get(); }
    wchar_t* data() { return copy_.data(); }
    bool refused() const { return copy_.refused(); }

private:
    JavaStringCopy copy_;
};
