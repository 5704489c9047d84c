#pragma once
// The single top-level window: the frame, its message dispatch and layout. Its parts own their
// controls and state; the frame owns what they share: what the window is doing, closing, fonts,
// brushes and the DPI. One UI thread owns all of it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/windows_api.h"
#include "ui/background_work.h"
#include "ui/comparison_table_windows.h"
#include "ui/control_enabling.h"
#include "ui/format_flow_windows.h"
#include "ui/gdi_handles_windows.h"
#include "ui/results_folder_windows.h"
#include "ui/run_control_windows.h"
#include "ui/setup_panel_windows.h"
#include "ui/window_layout.h"

namespace orvane {

class DesktopServices;

class MainWindow {
  public:
    // The brushes are made here, before the window class is registered.
    MainWindow(DesktopServices& services, std::filesystem::path resultsFolder);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    // Registers the class and creates the window with its client area sized for its DPI.
    // False when the window cannot be created.
    bool create(HINSTANCE instance);
    // Gives the window the designed client size for its current DPI.
    void sizeClientForDpi();
    void show(int command);
    // Runs until the window is destroyed, joins the parts' background threads and releases
    // every GDI object; returns the quit message's code.
    int runMessageLoop();

    // Replaces the system's high-contrast switch, for previews and tests (Wine has none).
    void overrideHighContrast(std::optional<bool> on) { highContrastOverride_ = on; }
    // Replaces how runs and loads are started, for tests and previews; before any of them.
    void setBackgroundWork(BackgroundWork work) { work_ = std::move(work); }
    bool highContrast() const;

    HWND handle() const { return window_; }
    HWND control(int id) const;
    HINSTANCE instance() const { return instance_; }
    std::uint32_t dpi() const { return dpi_; }
    DesktopServices& services() { return services_; }
    const BackgroundWork& work() const { return work_; }
    HFONT bodyFont() const { return bodyFont_.get(); }
    HICON icon() const { return icon_.get(); }
    HBRUSH backgroundBrush() const { return backgroundBrush_.get(); }
    HBRUSH whiteBrush() const { return whiteBrush_.get(); }

    SetupPanel& setup() { return setup_; }
    ComparisonTable& comparison() { return comparison_; }
    RunControl& runControl() { return runControl_; }
    ResultsFolder& resultsFolder() { return resultsFolder_; }
    FormatFlow& formatFlow() { return formatFlow_; }

    // What the window is doing; applies the enabling rule to the command controls.
    void setActivity(WindowActivity activity);
    WindowActivity activity() const { return activity_; }
    bool busy() const { return activity_ != WindowActivity::Idle; }
    // Applies the enabling rule again after a part changed one of its inputs.
    void refreshEnabling();
    bool closing() const { return closing_; }
    // Once work has ended: destroys the window if a close waited for it. True when it did.
    bool closeIfClosing();

  private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> onPostedMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void onCreate();
    void createControls();
    void createFonts();
    void layoutControls();
    void onPaint();
    LRESULT onControlColor(HDC dc, HWND control, bool fromEdit);
    void onDpiChanged(std::uint32_t dpi, const RECT& suggested);
    void onClose();
    LRESULT onNotify(const NMHDR& header);
    void joinBackgroundWork();
    void releaseResources();

    struct PlacedControl {
        HWND handle = nullptr;
        PixelRect rect96;
        LayoutRole role = LayoutRole::Fixed;
    };

    DesktopServices& services_;
    BackgroundWork work_ = BackgroundWork::product();
    HWND window_ = nullptr;
    HINSTANCE instance_ = nullptr;
    bool classRegistered_ = false;
    std::uint32_t dpi_ = 96;
    std::optional<bool> highContrastOverride_;
    WindowActivity activity_ = WindowActivity::Idle;
    bool closing_ = false;
    std::vector<PlacedControl> controls_;  // id order, which is also the Tab order
    UniqueFont bodyFont_;
    UniqueFont titleFont_;
    UniqueIcon icon_;
    UniqueBrush backgroundBrush_;
    UniqueBrush whiteBrush_;

    SetupPanel setup_;
    ComparisonTable comparison_;
    RunControl runControl_;
    ResultsFolder resultsFolder_;
    FormatFlow formatFlow_;
    std::array<WindowPart*, 5> parts_;
};

}  // namespace orvane
