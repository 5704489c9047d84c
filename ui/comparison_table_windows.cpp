#include "ui/comparison_table_windows.h"

#include "platform/windows_api.h"  // before any other Windows header

#include <array>

#include <commctrl.h>

#include "engine/measurement_methods.h"
#include "platform/scope_exit.h"
#include "platform/text_encoding.h"
#include "reports/comparison_text.h"
#include "reports/report_ranking.h"
#include "reports/suitability.h"
#include "ui/accessible_name_windows.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/window_layout.h"

namespace orvane {

namespace {

constexpr std::array<COLORREF, 3> kStatusDotColors{RGB(20, 150, 55), RGB(190, 140, 0),
                                                   RGB(200, 40, 40)};
constexpr int kDetailsTextLimit = 64000;
constexpr wchar_t kDetailsPlaceholder[] =
    L"Your results will include storage suitability, estimated model-read times, integrity "
    L"checks and latency percentiles.";

// A multi-line edit keeps every key, Tab included: read-only, it would trap the keyboard.
LRESULT CALLBACK passTabOn(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR) {
    LRESULT code = DefSubclassProc(control, message, wParam, lParam);
    if (message == WM_GETDLGCODE) {
        code &= ~DLGC_WANTTAB;
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_TAB)
            code &= ~(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    }
    return code;
}

}  // namespace

std::vector<ControlDescription> ComparisonTable::controlDescriptions() const {
    return {
        // The table owns the status-dot image list and destroys it itself.
        {WC_LISTVIEWW,
         L"",
         WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
             LVS_SHAREIMAGELISTS,
         IDC_COMPARISON,
         {28, 414, 904, 142},
         LayoutRole::Widen},
        {L"EDIT",
         kDetailsPlaceholder,
         WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
         IDC_DETAILS,
         {28, 612, 904, 74},
         LayoutRole::FillRemaining},
    };
}

void ComparisonTable::onCreated() {
    list_ = frame_.control(IDC_COMPARISON);
    details_ = frame_.control(IDC_DETAILS);
    SetWindowSubclass(details_, passTabOn, 1, 0);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES |
                                                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (std::size_t i = 0; i < kComparisonColumnCount; ++i) {
        std::wstring title = fromUtf8(comparisonColumnTitle(static_cast<ReportColumn>(i)));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = 100;
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list_, static_cast<int>(i), &column);
    }
    createStatusDots();
    SendMessageW(details_, EM_SETLIMITTEXT, kDetailsTextLimit, 0);
    SetWindowTextW(details_, fromUtf8(storageGuidancePolicyText()).c_str());
    setAccessibleName(list_, L"Saved and session drive comparisons");
    setAccessibleName(details_, L"Selected run reasons and full measurements");
}

void ComparisonTable::createStatusDots() {
    const std::uint32_t dpi = frame_.dpi();
    const int side = scaleForDpi(16, dpi);
    UniqueImageList dots(ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 3, 0));
    if (!dots)
        return;
    const HDC screen = GetDC(nullptr);
    UniqueMemoryDc dc(CreateCompatibleDC(screen));
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    for (COLORREF color : kStatusDotColors) {
        UniqueBitmap bitmap(CreateCompatibleBitmap(screen, side, side));
        UniqueBrush fill(CreateSolidBrush(color));
        {
            SelectedObject selectedBitmap(dc.get(), bitmap.get());
            RECT all{0, 0, side, side};
            FillRect(dc.get(), &all, GetSysColorBrush(COLOR_WINDOW));
            SelectedObject selectedBrush(dc.get(), fill.get());
            const int from = scaleForDpi(3, dpi), to = scaleForDpi(13, dpi);
            Ellipse(dc.get(), from, from, to, to);
        }
        ImageList_AddMasked(dots.get(), bitmap.get(), window);
    }
    ReleaseDC(nullptr, screen);
    ListView_SetImageList(list_, dots.get(), LVSIL_SMALL);
    statusDots_ = std::move(dots);
}

std::optional<LRESULT> ComparisonTable::onNotify(const NMHDR& header) {
    if (header.hwndFrom != list_)
        return std::nullopt;
    if (header.code == LVN_COLUMNCLICK) {
        onColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return 0;
    }
    if (header.code == LVN_ITEMCHANGED && !populating_) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        onItemChanged(change.iItem, change.uNewState);
        return 0;
    }
    return std::nullopt;
}

void ComparisonTable::layoutColumns(int clientWidth) {
    const std::uint32_t dpi = frame_.dpi();
    const auto widths = comparisonColumnWidths(dpi, extraWidth(clientWidth, dpi));
    for (std::size_t i = 0; i < widths.size(); ++i)
        ListView_SetColumnWidth(list_, static_cast<int>(i), widths[i]);
}

void ComparisonTable::addRows(std::vector<SavedReport> rows) {
    for (SavedReport& row : rows)
        addOrReplaceReport(reports_, std::move(row));
    refresh();
}

void ComparisonTable::addSelectedRow(SavedReport row) {
    selectedRun_ = RunIdentity::of(row);
    addOrReplaceReport(reports_, std::move(row));
    refresh();
}

void ComparisonTable::setModelSize(double modelGB) {
    modelGB_ = modelGB;
    refresh();
}

void ComparisonTable::showDetails(const std::wstring& text) {
    SetWindowTextW(details_, text.c_str());
}

void ComparisonTable::refresh() {
    const ColumnSort sort{static_cast<ReportColumn>(sortColumn_), sortAscending_};
    reevaluateForModelSize(reports_, modelGB_, runningMeasurementMethods().platform, sort);
    {
        // The refill's own selection changes are not the user's.
        populating_ = true;
        const ScopeExit listFilled([this] { populating_ = false; });
        ListView_DeleteAllItems(list_);
        for (std::size_t row = 0; row < reports_.size(); ++row) {
            const SavedReport& report = reports_[row];
            std::wstring rank = fromUtf8(comparisonCellText(report, ReportColumn::Rank));
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = static_cast<int>(row);
            item.iImage = I_IMAGENONE;  // the dot belongs to the drive column
            item.pszText = rank.data();
            const int index = ListView_InsertItem(list_, &item);
            if (index < 0)
                continue;
            for (int column = 1; column < kReportColumnCount; ++column) {
                std::wstring text =
                    fromUtf8(comparisonCellText(report, static_cast<ReportColumn>(column)));
                LVITEMW cell{};
                cell.mask = LVIF_TEXT;
                cell.iItem = index;
                cell.iSubItem = column;
                cell.pszText = text.data();
                if (column == static_cast<int>(ReportColumn::DriveTest)) {
                    cell.mask |= LVIF_IMAGE;
                    cell.iImage = report.suitabilityLevel;
                }
                ListView_SetItem(list_, &cell);
            }
            if (selectedRun_ && selectedRun_->identifies(report)) {
                const UINT selected = LVIS_SELECTED | LVIS_FOCUSED;
                ListView_SetItemState(list_, index, selected, selected);
            }
        }

        const HWND header = ListView_GetHeader(list_);
        for (int column = 0; column < kReportColumnCount; ++column) {
            HDITEMW format{};
            format.mask = HDI_FORMAT;
            Header_GetItem(header, column, &format);
            format.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
            if (static_cast<std::uint32_t>(column) == sortColumn_)
                format.fmt |= sortAscending_ ? HDF_SORTUP : HDF_SORTDOWN;
            Header_SetItem(header, column, &format);
        }
    }
    showSelectedDetails();
}

void ComparisonTable::showSelectedDetails() {
    if (!selectedRun_)
        return;
    for (const SavedReport& report : reports_) {
        if (selectedRun_->identifies(report)) {
            showDetails(fromUtf8(reportDetailsText(report, modelGB_, "\r\n")));
            return;
        }
    }
}

void ComparisonTable::onColumnClick(int column) {
    if (column < 0 || column >= kReportColumnCount)
        return;
    if (static_cast<std::uint32_t>(column) == sortColumn_) {
        sortAscending_ = !sortAscending_;
    } else {
        sortColumn_ = static_cast<std::uint32_t>(column);
        sortAscending_ = true;
    }
    refresh();
}

void ComparisonTable::onItemChanged(int item, UINT newState) {
    if ((newState & LVIS_SELECTED) == 0 || item < 0 ||
        static_cast<std::size_t>(item) >= reports_.size()) {
        return;
    }
    selectedRun_ = RunIdentity::of(reports_[static_cast<std::size_t>(item)]);
    showSelectedDetails();
}

}  // namespace orvane
