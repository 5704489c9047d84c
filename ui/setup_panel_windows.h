#pragma once
// The setup panel: folder, drive list, test depth and model size, with the target line and the
// dataset summary that explain them.

#include <string>
#include <vector>

#include "engine/run_records.h"
#include "storage/drive_list.h"
#include "ui/window_part_windows.h"

namespace orvane {

class MainWindow;

class SetupPanel final : public WindowPart {
  public:
    explicit SetupPanel(MainWindow& frame) : frame_(frame) {}

    std::vector<ControlDescription> controlDescriptions() const override;
    void onCreated() override;
    bool onCommand(int id, int code) override;
    std::optional<LRESULT> onNotify(const NMHDR& header) override;

    // The form as a run's options; throws with a model size message.
    RunOptions readRunOptions() const;
    std::wstring folderText() const;
    void clearFolder();
    // Lists the testable drives again; none is selected.
    void refreshDrives();
    // The dataset summary and the target line for the form as it is now.
    void updateSummary();
    const std::vector<DriveEntry>& drives() const { return drives_; }
    // The inspection once typing pauses; false for another part's timer.
    bool onTimer(UINT_PTR id);
    // The last valid model size, which the comparison is rated for.
    double modelGB() const { return modelGB_; }

  private:
    void onFolderTyped();
    void onDriveChosen();
    void onBrowse();
    void onModelSizeChanged();
    LRESULT onModelSizeArrow(int delta);

    MainWindow& frame_;
    HWND folder_ = nullptr;
    HWND drivesBox_ = nullptr;
    HWND targetLine_ = nullptr;
    HWND depth_ = nullptr;
    HWND modelSize_ = nullptr;
    HWND modelSpin_ = nullptr;
    HWND summary_ = nullptr;
    std::vector<DriveEntry> drives_;
    double modelGB_ = 6.6;
};

}  // namespace orvane
