#pragma once
// The body of the format waiter thread: waits for the elevated script process and tells the
// window how it ended.

#include <memory>

#include "platform/unique_handle_windows.h"

namespace orvane {

// Waits without a time limit, closes the process and posts WM_APP_FORMAT_EXITED with its exit
// code, or 2 when the wait or the exit code cannot be had.
void waitForFormatProcess(HWND window, std::unique_ptr<UniqueKernelHandle> process);

}  // namespace orvane
