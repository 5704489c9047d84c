#pragma once
// The single top-level window: its state record, its controls and its window procedure. One UI
// thread owns all of it; only cancelRequested is read by another thread.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/run_records.h"
#include "format/format_target.h"
#include "format/format_target_queries.h"
#include "platform/unique_handle_windows.h"
#include "reports/run_identity.h"
#include "reports/saved_report.h"
#include "ui/background_work.h"
#include "ui/gdi_handles_windows.h"
#include "ui/window_layout.h"

namespace orvane {

class DesktopServices;

struct PlacedControl {
    HWND handle = nullptr;
    PixelRect rect96;
    LayoutRole role = LayoutRole::Fixed;
};

struct MainWindowState {
    HWND window = nullptr;
    std::uint32_t dpi = 96;
    std::filesystem::path resultsFolder;
    double modelGB = 6.6;
    std::uint32_t sortColumn = 0;
    bool sortAscending = true;
    std::atomic<bool> cancelRequested{false};  // read by the running benchmark
    bool busy = false;
    bool formatting = false;
    bool closing = false;
    bool loadingReports = false;
    bool populatingList = false;
    std::unique_ptr<RunResult> currentResult;
    std::thread worker;
    std::vector<SavedReport> reports;
    std::vector<std::wstring> driveRoots;
    std::optional<RunIdentity> selectedKey;
    std::vector<PlacedControl> controls;  // creation order, which is also the Tab order
    UniqueFont bodyFont;
    UniqueFont titleFont;
    UniqueIcon icon;
    UniqueImageList statusDots;
    UniqueBrush backgroundBrush;
    UniqueBrush whiteBrush;
    // The format in progress, saved when it starts and compared when the process has ended.
    FormatTarget savedFormatTarget;
    std::filesystem::path savedFormatRoot;
    std::wstring savedFormatLabel;
    std::uint32_t savedFormatClusterBytes = 0;
};

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
    // Runs until the window is destroyed, joins a remaining background thread and releases
    // every GDI object; returns the quit message's code.
    int runMessageLoop();

    // Replaces the system's high-contrast switch, for previews and tests (Wine has none).
    void overrideHighContrast(std::optional<bool> on) { highContrastOverride_ = on; }
    // Replaces how runs and loads are started, for tests and previews; before any of them.
    void setBackgroundWork(BackgroundWork work) { work_ = std::move(work); }
    bool highContrast() const;
    // Replaces the format review of this machine's disks, for tests.
    void useFormatTargetQueries(FormatTargetQueries& queries) { formatQueries_ = &queries; }

    MainWindowState& state() { return state_; }
    HWND handle() const { return state_.window; }
    HWND control(int id) const;
    HWND targetLine() const { return targetLine_; }
    HWND datasetSummary() const { return datasetSummary_; }
    HWND statusLine() const { return statusLine_; }
    HWND progressBar() const { return progress_; }
    HWND details() const { return details_; }
    HWND comparisonList() const { return list_; }

    // Operations shared by the window's features; UI thread only.
    void setBusy(bool busy);
    void refreshDriveList();
    void updateDatasetSummary();
    void refreshComparison();
    void showSelectedDetails();
    void layoutControls();
    void createFonts();
    // The form as a run's options; throws with a model size message.
    RunOptions readRunOptionsFromForm() const;

  private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void onCreate();
    void createControls();
    void createStatusDots();
    void setAccessibleNames();
    void onPaint();
    LRESULT onControlColor(HDC dc, HWND control, bool fromEdit);
    void onDpiChanged(std::uint32_t dpi, const RECT& suggested);
    void onClose();
    LRESULT onCommand(int id, int code);
    LRESULT onNotify(const NMHDR& header);
    LRESULT onModelSizeArrow(int delta);
    void onModelSizeChanged();
    void onDriveChosen();
    void onBrowse();
    void onColumnClick(int column);
    void onItemChanged(int item, UINT newState);
    void setStatusText(const std::wstring& text);
    void releaseResources();

    // Run control, the results folder and the exFAT format, each in a file of its own.
    void startTest();
    void cancelTest();
    void saveCurrentResult(bool csv);
    void importReports();
    void openResultsFolder();
    void startFormat();
    void startSavedReportLoad();
    void onProgress(LPARAM record);
    void onRunFinished(LPARAM record);
    void verifyFormat(DWORD exitCode);
    void onReportsLoaded(LPARAM record);
    // The exFAT format flow: the re-check and elevated start, and the waiter thread.
    UniqueKernelHandle launchFormat(HWND owner, const FormatTarget& target,
                                    std::uint32_t clusterBytes, const std::wstring& label);
    void startFormatWaiter(std::unique_ptr<UniqueKernelHandle> process);

    void startReportLoad(std::vector<std::filesystem::path> paths, bool scanFolder);
    void addRunToComparison();
    void saveResultTo(const std::filesystem::path& path, bool csv);

    DesktopServices& services_;
    FormatTargetQueries* formatQueries_ = &systemFormatTargetQueries();
    BackgroundWork work_ = BackgroundWork::product();
    MainWindowState state_;
    HINSTANCE instance_ = nullptr;
    bool classRegistered_ = false;
    std::optional<bool> highContrastOverride_;
    HWND folderEdit_ = nullptr;
    HWND drives_ = nullptr;
    HWND targetLine_ = nullptr;
    HWND depth_ = nullptr;
    HWND modelSize_ = nullptr;
    HWND modelSpin_ = nullptr;
    HWND datasetSummary_ = nullptr;
    HWND progress_ = nullptr;
    HWND statusLine_ = nullptr;
    HWND list_ = nullptr;
    HWND details_ = nullptr;
};

}  // namespace orvane
