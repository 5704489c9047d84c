#pragma once
// The comparison table of saved and session runs, ranked for the model size, with the details
// box of the selected run.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reports/run_identity.h"
#include "reports/saved_report.h"
#include "ui/gdi_handles_windows.h"
#include "ui/window_part_windows.h"

namespace orvane {

class MainWindow;

class ComparisonTable final : public WindowPart {
  public:
    explicit ComparisonTable(MainWindow& frame) : frame_(frame) {}

    std::vector<ControlDescription> controlDescriptions() const override;
    void onCreated() override;
    bool onCommand(int, int) override { return false; }
    std::optional<LRESULT> onNotify(const NMHDR& header) override;

    // Adds each row, or replaces the row of the same run, and shows the table again.
    void addRows(std::vector<SavedReport> rows);
    // Adds or replaces the row and selects it.
    void addSelectedRow(SavedReport row);
    // Rates every row for this model size and shows the table again.
    void setModelSize(double modelGB);
    // Ranks, sorts and fills the list, keeping the selected run; then its details.
    void refresh();
    void showDetails(const std::wstring& text);
    // Column widths for a client of this width.
    void layoutColumns(int clientWidth);

    const std::vector<SavedReport>& reports() const { return reports_; }
    const std::optional<RunIdentity>& selectedRun() const { return selectedRun_; }
    HIMAGELIST statusDots() const { return statusDots_.get(); }

  private:
    void createStatusDots();
    void showSelectedDetails();
    void onColumnClick(int column);
    void onItemChanged(int item, UINT newState);

    MainWindow& frame_;
    HWND list_ = nullptr;
    HWND details_ = nullptr;
    UniqueImageList statusDots_;  // the list shares it and leaves it to this part
    std::vector<SavedReport> reports_;
    double modelGB_ = 6.6;
    std::uint32_t sortColumn_ = 0;
    bool sortAscending_ = true;
    bool populating_ = false;
    std::optional<RunIdentity> selectedRun_;
};

}  // namespace orvane
