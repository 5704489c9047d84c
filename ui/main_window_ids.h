#pragma once
// Control ids of the main window. Plain numbers, so that code without <windows.h> can name them
// too. They are numbered in Tab order: the window creates its controls in id order. The messages
// posted to the window are in ui/posted_messages_windows.h.

#include <array>

namespace orvane {

inline constexpr int IDC_FOLDER_LABEL = 101;
inline constexpr int IDC_FOLDER = 102;
inline constexpr int IDC_BROWSE = 103;
inline constexpr int IDC_DRIVES = 104;
inline constexpr int IDC_REFRESH_DRIVES = 105;
inline constexpr int IDC_FORMAT = 106;
inline constexpr int IDC_TARGET_LINE = 107;
inline constexpr int IDC_DEPTH_LABEL = 108;
inline constexpr int IDC_MODEL_SIZE_LABEL = 109;
inline constexpr int IDC_DEPTH = 110;
inline constexpr int IDC_MODEL_SIZE = 111;
inline constexpr int IDC_MODEL_SPIN = 112;
inline constexpr int IDC_START = 113;
inline constexpr int IDC_CANCEL = 114;
inline constexpr int IDC_DATASET_SUMMARY = 115;
inline constexpr int IDC_SAFETY_NOTE = 116;
inline constexpr int IDC_PROGRESS = 117;
inline constexpr int IDC_STATUS = 118;
inline constexpr int IDC_COMPARISON = 119;
inline constexpr int IDC_IMPORT = 120;
inline constexpr int IDC_OPEN_RESULTS = 121;
inline constexpr int IDC_SAVE_JSON = 122;
inline constexpr int IDC_SAVE_CSV = 123;
inline constexpr int IDC_DETAILS = 124;

// The controls a person acts with; which of them are enabled is ui/control_enabling.h's rule.
inline constexpr std::array<int, 14> kCommandControlIds{
    IDC_FOLDER, IDC_BROWSE,       IDC_DRIVES,     IDC_REFRESH_DRIVES, IDC_FORMAT,
    IDC_DEPTH,  IDC_MODEL_SIZE,   IDC_MODEL_SPIN, IDC_START,          IDC_CANCEL,
    IDC_IMPORT, IDC_OPEN_RESULTS, IDC_SAVE_JSON,  IDC_SAVE_CSV};

}  // namespace orvane
