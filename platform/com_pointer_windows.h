#pragma once
// Owns one COM interface reference (the part of WRL's ComPtr this program needs).

#include <utility>

#include "platform/windows_api.h"

namespace orvane {

template <typename Interface>
class ComPointer {
  public:
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() { reset(); }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For functions that hand out a new reference; drops the current one first.
    Interface** put() {
        reset();
        return &pointer_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (Interface* old = std::exchange(pointer_, nullptr))
            old->Release();
    }

  private:
    Interface* pointer_ = nullptr;
};

// Frees text that COM allocated for the caller.
class CoTaskText {
  public:
    CoTaskText() = default;
    CoTaskText(const CoTaskText&) = delete;
    CoTaskText& operator=(const CoTaskText&) = delete;
    ~CoTaskText() { CoTaskMemFree(text_); }
    PWSTR* put() { return &text_; }
    const wchar_t* get() const { return text_; }

  private:
    PWSTR text_ = nullptr;
};

}  // namespace orvane
