#pragma once
// What every in-process window test needs: COM and the common controls, a message pump that
// waits for a condition, and readers of the main window's state.

#include <chrono>
#include <functional>
#include <set>
#include <string>

#include "platform/windows_api.h"

#include <commctrl.h>
#include <objbase.h>

#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"

namespace orvane::testing {

// Once per test suite, before the first window.
inline void initWindowTests() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

// Runs the thread's message loop until done() holds; false when the time is up.
inline bool pumpUntil(const std::function<bool()>& done, double seconds = 120.0) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    for (;;) {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Ids of the setup and command controls that are enabled now.
inline std::set<int> enabledControlIds(const MainWindow& window) {
    std::set<int> ids;
    for (int id : kCommandControlIds) {
        if (IsWindowEnabled(window.control(id)))
            ids.insert(id);
    }
    return ids;
}

inline std::wstring listCellText(HWND list, int row, int column) {
    wchar_t text[512] = {};
    ListView_GetItemText(list, row, column, text, 512);
    return text;
}

}  // namespace orvane::testing
