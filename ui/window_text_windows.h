#pragma once
// The whole text of a window or control.

#include <string>

#include "platform/windows_api.h"

namespace orvane {

inline std::wstring windowText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

}  // namespace orvane
