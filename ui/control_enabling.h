#pragma once
// Which of the window's controls a person may use in which state of the window.

#include <set>

namespace orvane {

// What the window is doing; anything but Idle holds the single slot for background work.
enum class WindowActivity {
    Idle,
    Running,     // a benchmark
    Loading,     // reports from the results folder or an import
    Elevating,   // the administrator prompt of a format is up
    Formatting,  // the format script runs
};

struct WindowState {
    WindowActivity activity = WindowActivity::Idle;
    bool hasResult = false;        // a finished run that can be saved
    bool cancelRequested = false;  // the running benchmark was asked to stop
};

// Ids (ui/main_window_ids.h) of the command controls that are enabled.
std::set<int> enabledControls(const WindowState& state);

}  // namespace orvane
