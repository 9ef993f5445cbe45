// Owns a Win32 kernel handle and closes it once.
#pragma once

#include <utility>

#include "platform/win32/WindowsHeaders.h"

namespace cartovex {

class Win32Handle {
public:
    Win32Handle() = default;
    explicit Win32Handle(HANDLE handle) { reset(handle); }
    ~Win32Handle() { close(); }
    Win32Handle(const Win32Handle&) = delete;
    Win32Handle& operator=(const Win32Handle&) = delete;
    Win32Handle(Win32Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Win32Handle& operator=(Win32Handle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    /// Takes a handle; INVALID_HANDLE_VALUE (what CreateFile returns on failure) counts as none.
    void reset(HANDLE handle) {
        close();
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    /// Closes the handle; false when closing failed (for a written file: the data may be lost).
    bool close() {
        if (!handle_) return true;
        return CloseHandle(std::exchange(handle_, nullptr)) != 0;
    }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace cartovex
