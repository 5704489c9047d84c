#pragma once
// The exFAT format flow: review, dialog, re-check, elevated start, the waiter thread, and the
// verification when the script process has ended.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "format/format_target_queries.h"
#include "format/format_verification.h"
#include "platform/unique_handle_windows.h"
#include "ui/desktop_services_windows.h"
#include "ui/window_part_windows.h"

namespace orvane {

class MainWindow;

class FormatFlow final : public WindowPart {
  public:
    explicit FormatFlow(MainWindow& frame) : frame_(frame) {}

    std::vector<ControlDescription> controlDescriptions() const override;
    bool onCommand(int id, int code) override;
    void joinBackgroundWork() override;

    // Replaces the format review of this machine's disks, for tests.
    void useQueries(FormatTargetQueries& queries) { queries_ = &queries; }
    // The format in progress, saved when it starts and compared when the process has ended.
    const std::optional<FormatRequest>& pending() const { return pending_; }
    const std::filesystem::path& pendingRoot() const { return pendingRoot_; }

    void onFormatExited(DWORD exitCode);

  private:
    void startFormat();
    ElevatedStart launchFormat(const FormatTarget& target, std::uint32_t clusterBytes,
                               const std::wstring& label);
    void startWaiter(std::unique_ptr<UniqueKernelHandle> process);

    MainWindow& frame_;
    FormatTargetQueries* queries_ = &systemFormatTargetQueries();
    std::optional<FormatRequest> pending_;
    std::filesystem::path pendingRoot_;
    std::thread waiter_;
};

}  // namespace orvane
