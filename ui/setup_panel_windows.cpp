#include "ui/setup_panel_windows.h"

#include "platform/windows_api.h"  // before any other Windows header

#include <exception>
#include <stdexcept>
#include <system_error>

#include <commctrl.h>

#include "platform/text_encoding.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"
#include "ui/accessible_name_windows.h"
#include "ui/desktop_services_windows.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/setup_form.h"
#include "ui/window_text_windows.h"

namespace orvane {

namespace {

constexpr UINT_PTR kInspectionTimer = 0x0F01;  // apart from the preview's timers
constexpr UINT kInspectionPauseMs = 300;
constexpr wchar_t kTargetHint[] = L"Choose a drive or folder to inspect its available space.";

}  // namespace

std::vector<ControlDescription> SetupPanel::controlDescriptions() const {
    using R = LayoutRole;
    return {
        {L"STATIC", L"DRIVE / FOLDER", 0, IDC_FOLDER_LABEL, {28, 104, 330, 22}, R::Fixed},
        {L"EDIT", L"", kLineEditStyle, IDC_FOLDER, {28, 128, 788, 31}, R::Widen},
        {L"BUTTON",
         L"Browse...",
         kButtonStyle,
         IDC_BROWSE,
         {832, 127, 100, 33},
         R::FollowRightEdge},
        {WC_COMBOBOXW,
         L"",
         WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
         IDC_DRIVES,
         {28, 168, 470, 240},
         R::Fixed},
        {L"BUTTON",
         L"Refresh drives",
         kButtonStyle,
         IDC_REFRESH_DRIVES,
         {512, 167, 144, 31},
         R::Fixed},
        {L"STATIC",
         L"Choose a drive or folder to inspect its available space.",
         0,
         IDC_TARGET_LINE,
         {28, 203, 904, 24},
         R::Widen},
        {L"STATIC", L"TEST DEPTH", 0, IDC_DEPTH_LABEL, {28, 236, 330, 22}, R::Fixed},
        {L"STATIC", L"MODEL SIZE (GB)", 0, IDC_MODEL_SIZE_LABEL, {398, 236, 230, 22}, R::Fixed},
        {WC_COMBOBOXW,
         L"",
         WS_TABSTOP | CBS_DROPDOWNLIST,
         IDC_DEPTH,
         {28, 261, 340, 180},
         R::Fixed},
        {L"EDIT", L"6.6", kLineEditStyle, IDC_MODEL_SIZE, {398, 261, 100, 31}, R::Fixed},
        {UPDOWN_CLASSW,
         L"Model size arrows",
         WS_TABSTOP | UDS_ARROWKEYS,
         IDC_MODEL_SPIN,
         {498, 261, 22, 31},
         R::Fixed},
        {L"STATIC", L"", 0, IDC_DATASET_SUMMARY, {28, 306, 904, 24}, R::Widen},
        {L"STATIC",
         L"Writes temporary files only; existing files are preserved. Keep the drive connected "
         L"until cleanup completes.",
         0,
         IDC_SAFETY_NOTE,
         {28, 334, 904, 22},
         R::Fixed},
    };
}

void SetupPanel::onCreated() {
    folder_ = frame_.control(IDC_FOLDER);
    drivesBox_ = frame_.control(IDC_DRIVES);
    targetLine_ = frame_.control(IDC_TARGET_LINE);
    depth_ = frame_.control(IDC_DEPTH);
    modelSize_ = frame_.control(IDC_MODEL_SIZE);
    modelSpin_ = frame_.control(IDC_MODEL_SPIN);
    summary_ = frame_.control(IDC_DATASET_SUMMARY);

    for (const TestDepth& depth : testDepths()) {
        SendMessageW(depth_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(fromUtf8(depth.label).c_str()));
    }
    SendMessageW(depth_, CB_SETCURSEL, kStandardDepthIndex, 0);
    SendMessageW(modelSpin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(modelSize_), 0);
    SendMessageW(modelSpin_, UDM_SETRANGE32, 1, 10000);
    SendMessageW(modelSpin_, UDM_SETPOS32, 0, 66);

    setAccessibleName(folder_, L"Drive or folder to test");
    setAccessibleName(drivesBox_, L"Live drives");
    setAccessibleName(depth_, L"Test depth");
    setAccessibleName(modelSize_, L"Comparison model size in decimal GB, 0.1 to 1000");
    setAccessibleName(modelSpin_, L"Change model size by 0.1 GB");
    refreshDrives();
    updateSummary();
}

bool SetupPanel::onCommand(int id, int code) {
    switch (id) {
        case IDC_FOLDER:
            if (code == EN_CHANGE)
                onFolderTyped();
            return true;
        case IDC_BROWSE:
            onBrowse();
            return true;
        case IDC_DRIVES:
            if (code == CBN_SELCHANGE)
                onDriveChosen();
            return true;
        case IDC_REFRESH_DRIVES:
            refreshDrives();
            updateSummary();
            return true;
        case IDC_DEPTH:
            if (code == CBN_SELCHANGE)
                updateSummary();
            return true;
        case IDC_MODEL_SIZE:
            if (code == EN_CHANGE)
                onModelSizeChanged();
            return true;
        default:
            return false;
    }
}

std::optional<LRESULT> SetupPanel::onNotify(const NMHDR& header) {
    if (header.hwndFrom == modelSpin_ && header.code == UDN_DELTAPOS)
        return onModelSizeArrow(reinterpret_cast<const NMUPDOWN&>(header).iDelta);
    return std::nullopt;
}

RunOptions SetupPanel::readRunOptions() const {
    const int depth = static_cast<int>(SendMessageW(depth_, CB_GETCURSEL, 0, 0));
    return runOptionsFromForm(windowText(folder_), depth, toUtf8(windowText(modelSize_)));
}

std::wstring SetupPanel::folderText() const {
    return windowText(folder_);
}

void SetupPanel::clearFolder() {
    SetWindowTextW(folder_, L"");
}

void SetupPanel::refreshDrives() {
    SendMessageW(drivesBox_, CB_RESETCONTENT, 0, 0);
    drives_ = listTestableDrives();
    for (const DriveEntry& drive : drives_) {
        const std::wstring entry = driveEntryText(drive.root, drive.label, drive.removable);
        SendMessageW(drivesBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    SendMessageW(drivesBox_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void SetupPanel::updateSummary() {
    try {
        const RunOptions options = readRunOptions();
        SetWindowTextW(summary_, fromUtf8(datasetSummaryText(options)).c_str());
        if (options.folder.empty()) {
            SendMessageW(drivesBox_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            SetWindowTextW(targetLine_, kTargetHint);
            return;
        }
        // Refused by its form alone: no file-system call, which could wait on the network.
        if (isNetworkOrDevicePath(options.folder.native()))
            throw std::runtime_error(kLocalPathMessage);
        std::error_code error;
        std::filesystem::path folder = std::filesystem::canonical(options.folder, error);
        if (error)
            folder = options.folder;  // the inspection names what is wrong with it
        const VolumeInfo volume = inspectTarget(folder);
        std::vector<NativeString> roots;
        for (const DriveEntry& drive : drives_)
            roots.push_back(drive.root);
        SendMessageW(drivesBox_, CB_SETCURSEL,
                     static_cast<WPARAM>(matchingDriveIndex(roots, volume.root)), 0);
        SetWindowTextW(targetLine_, targetLineText(volume).c_str());
    } catch (const std::exception& error) {
        SetWindowTextW(targetLine_, fromUtf8(error.what()).c_str());
    }
}

void SetupPanel::onFolderTyped() {
    // A slow folder must not hold up typing: the volume is inspected once typing pauses.
    KillTimer(frame_.handle(), kInspectionTimer);
    const std::wstring text = folderText();
    if (text.empty() || isNetworkOrDevicePath(text)) {
        updateSummary();
        return;
    }
    SetTimer(frame_.handle(), kInspectionTimer, kInspectionPauseMs, nullptr);
}

bool SetupPanel::onTimer(UINT_PTR id) {
    if (id != kInspectionTimer)
        return false;
    KillTimer(frame_.handle(), kInspectionTimer);
    updateSummary();
    return true;
}

void SetupPanel::onDriveChosen() {
    const LRESULT index = SendMessageW(drivesBox_, CB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<std::size_t>(index) >= drives_.size())
        return;
    SetWindowTextW(folder_, drives_[static_cast<std::size_t>(index)].root.c_str());
    updateSummary();
}

void SetupPanel::onBrowse() {
    const auto folder =
        frame_.services().chooseFolder(frame_.handle(), L"Select a folder on the drive to test");
    if (!folder)
        return;
    SetWindowTextW(folder_, folder->c_str());
    updateSummary();
}

void SetupPanel::onModelSizeChanged() {
    updateSummary();
    try {
        modelGB_ = readRunOptions().modelGB;
    } catch (const std::exception&) {
        return;  // the target line already shows why; the comparison keeps the last valid size
    }
    frame_.comparison().setModelSize(modelGB_);
}

LRESULT SetupPanel::onModelSizeArrow(int delta) {
    if (frame_.busy())
        return 1;
    SetWindowTextW(modelSize_, fromUtf8(modelSizeTextAfterArrow(modelGB_, delta)).c_str());
    return 1;  // the control keeps its own position; the edit text is the value
}

}  // namespace orvane
