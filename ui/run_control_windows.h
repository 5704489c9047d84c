#pragma once
// Run control: Start and Cancel, the worker thread of the benchmark, progress and the status
// line, and the finished run that can be saved.

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/run_records.h"
#include "ui/window_part_windows.h"

namespace orvane {

class MainWindow;

class RunControl final : public WindowPart {
  public:
    explicit RunControl(MainWindow& frame) : frame_(frame) {}

    std::vector<ControlDescription> controlDescriptions() const override;
    bool onCommand(int id, int code) override;
    void joinBackgroundWork() override;

    void onProgress(LPARAM record);
    void onRunFinished(LPARAM record);

    void showStatus(const std::wstring& text);
    void showProgress(int percent);
    // The finished run, until another run starts or a format begins.
    const RunResult* currentResult() const { return result_.get(); }
    void dropResult() { result_.reset(); }
    // Asks the running benchmark to stop after its current request.
    void requestCancel();
    bool cancelRequested() const { return cancelRequested_.load(); }

  private:
    void startTest();
    void offerToRemoveLeftovers(const std::filesystem::path& folder);
    void cancelTest();

    MainWindow& frame_;
    std::atomic<bool> cancelRequested_{false};  // read by the running benchmark
    std::unique_ptr<RunResult> result_;
    std::thread worker_;
};

}  // namespace orvane
