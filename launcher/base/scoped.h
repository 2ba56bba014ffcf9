// Ownership of what the launcher and the natives open or allocate: kernel
// handles, find handles, registry keys, service handles, LSA handles, memory
// from LocalAlloc, malloc or the COM task allocator, COM interfaces, and the copy of a Java string
// argument. Each is released when its owner goes out of scope, so every
// return path, early or late, releases it exactly once.
#pragma once
#include <windows.h>
#include <jni.h>
#include <ntsecapi.h>

#include <cstddef>
#include <cstdlib>

// One owned value, released by Traits::close unless it is Traits::invalid();
// movable, not copyable.
template <typename Traits>
class Scoped {
public:
    using Value = typename Traits::Value;

    Scoped() : value_(Traits::invalid()) {}
    explicit Scoped(Value value) : value_(value) {}
    ~Scoped() { close(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& other) : value_(other.release()) {}
    Scoped& operator=(Scoped&& other) {
        if (this != &other) reset(other.release());
        return *this;
    }

    Value get() const { return value_; }
    bool valid() const { return Traits::isValid(value_); }
    void close() { reset(Traits::invalid()); }
    void reset(Value value) {
        if (Traits::isValid(value_)) Traits::close(value_);
        value_ = value;
    }
    // Gives the value up: the caller (or a record that outlives this scope) owns it now.
    Value release() {
        Value value = value_;
        value_ = Traits::invalid();
        return value;
    }
    // For functions that hand a new value out through a pointer; whatever
    // was held before is released first.
    Value* receive() {
        close();
        return &value_;
    }

private:
    Value value_;
};

struct KernelHandleTraits {
    using Value = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    // Creating functions report failure with either value, depending on the function.
    static bool isValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { CloseHandle(handle); }
};

struct FindHandleTraits {
    using Value = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE handle) { return handle != INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { FindClose(handle); }
};

// The owners below hold pointers or handles for which null means "none".
template <typename T>
struct NullMeansNone {
    using Value = T;
    static T invalid() { return nullptr; }
    static bool isValid(T value) { return value != nullptr; }
};

struct RegistryKeyTraits : NullMeansNone<HKEY> {
    static void close(HKEY key) { RegCloseKey(key); }
};

struct ServiceHandleTraits : NullMeansNone<SC_HANDLE> {
    static void close(SC_HANDLE handle) { CloseServiceHandle(handle); }
};

struct LsaHandleTraits : NullMeansNone<LSA_HANDLE> {
    static void close(LSA_HANDLE handle) { LsaClose(handle); }
};

template <typename Pointer>
struct LocalMemoryTraits : NullMeansNone<Pointer> {
    static void close(Pointer memory) { LocalFree(reinterpret_cast<HLOCAL>(memory)); }
};

template <typename Pointer>
struct MallocMemoryTraits : NullMeansNone<Pointer> {
    static void close(Pointer memory) { std::free(memory); }
};

template <typename Pointer>
struct CoTaskMemoryTraits : NullMeansNone<Pointer> {
    static void close(Pointer memory) { CoTaskMemFree(memory); }
};

using ScopedHandle = Scoped<KernelHandleTraits>;          // CloseHandle
using ScopedFindHandle = Scoped<FindHandleTraits>;        // FindClose
using ScopedRegistryKey = Scoped<RegistryKeyTraits>;      // RegCloseKey
using ScopedServiceHandle = Scoped<ServiceHandleTraits>;  // CloseServiceHandle
using ScopedLsaHandle = Scoped<LsaHandleTraits>;          // LsaClose
template <typename Pointer>
using ScopedLocalMemory = Scoped<LocalMemoryTraits<Pointer>>;  // LocalFree, e.g. FormatMessage's text
template <typename Pointer>
using ScopedMalloc = Scoped<MallocMemoryTraits<Pointer>>;  // free
template <typename Pointer>
using ScopedCoTaskMemory = Scoped<CoTaskMemoryTraits<Pointer>>;  // CoTaskMemFree, e.g. a shell path

// A buffer of `size` bytes from malloc; get() is null when the allocation
// failed, which the owner must check.
class HeapBuffer {
public:
    explicit HeapBuffer(size_t size) : memory_(static_cast<BYTE*>(std::malloc(size))) {}
    BYTE* get() const { return memory_.get(); }

private:
    ScopedMalloc<BYTE*> memory_;
};

// One reference to a COM interface, released at the end of the scope.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(Interface* pointer) : pointer_(pointer) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void reset() {
        if (pointer_) pointer_->Release();
        pointer_ = nullptr;
    }
    // For CoCreateInstance and QueryInterface, which take the address as void**.
    void** receive() {
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }

private:
    Interface* pointer_ = nullptr;
};

// What a U+0000 inside a Java string argument means. Windows reads every text
// it is given up to its first NUL, so a copy cut there would name another key,
// file, service or account than the caller gave (or store less than it gave).
enum class StringUse {
    kName,   // a name, a path, a command line or data to store: refused
    kShown,  // a text only shown to the user (a title, a label): shown up to the U+0000
};

// The copy of a Java string that a native makes on entry: UTF-16 and
// NUL-terminated, copied straight into memory of its own (so a secret is
// in no other buffer that could be freed unwiped). A null Java string gives
// a null copy, which the natives hand on to Windows as "no value". Freed
// when the scope ends, on every return.
class JavaStringCopy {
public:
    JavaStringCopy(JNIEnv* env, jstring text, StringUse use = StringUse::kName);
    JavaStringCopy(const JavaStringCopy&) = delete;
    JavaStringCopy& operator=(const JavaStringCopy&) = delete;

    const wchar_t* get() const { return text_.get(); }
    // For functions that take a writable buffer (CreateProcessW's command line).
    wchar_t* data() { return text_.get(); }
    // Units before the terminating NUL.
    size_t length() const { return length_; }
    // A string was given but no copy may stand for it: it holds U+0000 where
    // it names something, or it could not be copied (no memory). get() is
    // then null, which must not be taken for "no value": the native fails as
    // for a bad argument, before it does anything.
    bool refused() const { return refused_; }

private:
    ScopedMalloc<wchar_t*> text_;
    size_t length_ = 0;
    bool refused_ = false;
};

// Whether any of the copies was refused.
template <typename... Copies>
bool anyRefused(const Copies&... copies) {
    return (copies.refused() || ...);
}

// The same copy in the file-API code page ("?" for what the code page
// lacks), for the 8-bit functions; null when the wide copy is null or refused.
class JavaStringCopy8 {
public:
    JavaStringCopy8(JNIEnv* env, jstring text);
    JavaStringCopy8(const JavaStringCopy8&) = delete;
    JavaStringCopy8& operator=(const JavaStringCopy8&) = delete;

    const char* get() const { return text_.get(); }

private:
    ScopedMalloc<char*> text_;
};

// The copies of the elements of a Java String[] of texts the user is shown
// (StringUse::kShown). A null element, or one that could not be copied,
// reads as an empty text: the dialogs that take these lists have no use for
// a null label. A null array has no elements.
class JavaStringArrayCopy {
public:
    JavaStringArrayCopy(JNIEnv* env, jobjectArray array);
    ~JavaStringArrayCopy();
    JavaStringArrayCopy(const JavaStringArrayCopy&) = delete;
    JavaStringArrayCopy& operator=(const JavaStringArrayCopy&) = delete;

    jsize count() const { return count_; }
    const wchar_t* at(jsize index) const;

private:
    ScopedMalloc<wchar_t**> texts_;
    jsize count_ = 0;
};

// The elements of a Java boolean[], handed back to the JVM when the scope
// ends with copy-back, so that Java sees what the native wrote. A null
// array, or one the JVM could not hand out, has no elements.
class JavaBooleanArrayElements {
public:
    JavaBooleanArrayElements(JNIEnv* env, jbooleanArray array)
        : env_(env),
          array_(array),
          elements_(array ? env->GetBooleanArrayElements(array, nullptr) : nullptr),
          count_(elements_ ? env->GetArrayLength(array) : 0) {}
    ~JavaBooleanArrayElements() {
        if (elements_) env_->ReleaseBooleanArrayElements(array_, elements_, 0);
    }
    JavaBooleanArrayElements(const JavaBooleanArrayElements&) = delete;
    JavaBooleanArrayElements& operator=(const JavaBooleanArrayElements&) = delete;

    jsize count() const { return count_; }
    bool get(jsize index) const { return index < count_ && elements_[index]; }
    void set(jsize index, bool value) {
        if (index < count_) elements_[index] = value ? JNI_TRUE : JNI_FALSE;
    }

private:
    JNIEnv* env_;
    jbooleanArray array_;
    jboolean* elements_;
    jsize count_;
};
