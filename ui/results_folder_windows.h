#pragma once
// The results folder from the window's side: loading saved reports at start-up, importing,
// saving the current run and opening the folder.

#include <filesystem>
#include <thread>
#include <vector>

#include "ui/window_part_windows.h"

namespace orvane {

class MainWindow;

class ResultsFolder final : public WindowPart {
  public:
    ResultsFolder(MainWindow& frame, std::filesystem::path folder)
        : frame_(frame), folder_(std::move(folder)) {}

    std::vector<ControlDescription> controlDescriptions() const override;
    bool onCommand(int id, int code) override;
    void joinBackgroundWork() override;

    const std::filesystem::path& folder() const { return folder_; }
    void startSavedReportLoad();
    void onReportsLoaded(LPARAM record);
    // Offers the current run for saving until it is saved or the person declines.
    void saveCurrentResult(bool csv);

  private:
    void startReportLoad(std::vector<std::filesystem::path> paths, bool scanFolder);
    void importReports();
    void saveResultTo(const std::filesystem::path& path, bool csv);
    void openResultsFolder();

    MainWindow& frame_;
    std::filesystem::path folder_;
    std::thread loader_;
};

}  // namespace orvane
