#pragma once
// Control ids of the main window and the messages posted to it. Plain numbers, so that code
// without <windows.h> can name them too.

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

// WM_APP is 0x8000; the Windows side checks that at compile time.
inline constexpr unsigned WM_APP_PROGRESS = 0x8000 + 1;
inline constexpr unsigned WM_APP_RUN_FINISHED = 0x8000 + 2;
inline constexpr unsigned WM_APP_FORMAT_EXITED = 0x8000 + 3;
inline constexpr unsigned WM_APP_REPORTS_LOADED = 0x8000 + 4;
inline constexpr unsigned WM_APP_LOAD_SAVED_REPORTS = 0x8000 + 5;

}  // namespace orvane
