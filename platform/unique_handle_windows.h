#pragma once
// Owners of Win32 handles and allocations (after LLVM's ScopedHandle and WIL's unique_* types).

#include <utility>

#include "platform/windows_api.h"

namespace orvane {

template <typename Traits>
class ScopedHandle {
  public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~ScopedHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::invalid(); }
    Handle release() { return std::exchange(handle_, Traits::invalid()); }
    void reset(Handle handle = Traits::invalid()) {
        if (handle_ != Traits::invalid())
            Traits::close(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = Traits::invalid();
};

// CreateFileW reports failure with INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Handle handle) { CloseHandle(handle); }
};

// Processes, threads and events report failure with NULL.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { CloseHandle(handle); }
};

struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { LocalFree(handle); }
};

using UniqueFileHandle = ScopedHandle<FileHandleTraits>;
using UniqueKernelHandle = ScopedHandle<KernelHandleTraits>;
using UniqueLocalMemory = ScopedHandle<LocalMemoryTraits>;

}  // namespace orvane
