#pragma once
// Control ids of the main window. Plain numbers, so that code without <windows.h> can name them
// too. The messages posted to the window are in ui/posted_messages_windows.h.

namespace orvane {

inline constexpr int IDC_FOLDER = 101;
inline constexpr int IDC_BROWSE = 102;
inline constexpr int IDC_DRIVES = 103;
inline constexpr int IDC_REFRESH_DRIVES = 104;
inline constexpr int IDC_DEPTH = 105;
inline constexpr int IDC_MODEL_SIZE = 106;
inline constexpr int IDC_START = 107;
inline constexpr int IDC_CANCEL = 108;
inline constexpr int IDC_SAVE_JSON = 109;
inline constexpr int IDC_SAVE_CSV = 110;
inline constexpr int IDC_FORMAT = 111;
inline constexpr int IDC_IMPORT = 112;
inline constexpr int IDC_OPEN_RESULTS = 113;
inline constexpr int IDC_MODEL_SPIN = 114;

}  // namespace orvane
