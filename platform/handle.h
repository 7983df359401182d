// The system's handles as plain integers, so that no system header leaks into the code that uses
// them, and the one owner that closes them: a file descriptor on POSIX, a HANDLE on Windows.
#pragma once

#include <cstdint>

namespace platform {

// A file descriptor on POSIX, a HANDLE on Windows.
using NativeHandle = std::intptr_t;
inline constexpr NativeHandle kNoHandle = -1;

// Owns one handle and closes it when destroyed or reset.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(NativeHandle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    NativeHandle get() const { return handle_; }
    bool valid() const { return handle_ != kNoHandle; }
    NativeHandle release()
    {
        const NativeHandle handle = handle_;
        handle_ = kNoHandle;
        return handle;
    }
    // Closes the handle held, if any, and holds this one (per platform).
    void reset(NativeHandle handle = kNoHandle);

private:
    NativeHandle handle_ = kNoHandle;
};

}  // namespace platform
