#pragma once
// A part of the main window: the controls it owns, written at 96 DPI, and the messages the frame
// hands to it. Every part lives on the window's thread.

#include <optional>
#include <vector>

#include "platform/windows_api.h"
#include "ui/window_layout.h"

namespace orvane {

struct ControlDescription {
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    int id;  // ui/main_window_ids.h; also the control's place in the Tab order
    PixelRect rect96;
    LayoutRole role;
};

inline constexpr DWORD kButtonStyle = WS_TABSTOP;
inline constexpr DWORD kLineEditStyle = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

class WindowPart {
  public:
    virtual ~WindowPart() = default;
    virtual std::vector<ControlDescription> controlDescriptions() const = 0;
    // Once every control of the window exists.
    virtual void onCreated() {}
    // True when the command belongs to this part.
    virtual bool onCommand(int id, int code) = 0;
    // The notification's result when it belongs to this part.
    virtual std::optional<LRESULT> onNotify(const NMHDR&) { return std::nullopt; }
    // Waits for the part's background thread, if any; before the window's resources go.
    virtual void joinBackgroundWork() {}
};

}  // namespace orvane
