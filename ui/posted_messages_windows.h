#pragma once
// The messages that background threads post to the main window, and the one way to post a record
// with them: the window owns the record once PostMessageW succeeds; until then the sender does.

#include <memory>

#include "platform/windows_api.h"

namespace orvane {

// lParam: a Progress, a copy of one notice of the run.
inline constexpr UINT WM_APP_PROGRESS = WM_APP + 1;
// lParam: the finished RunResult.
inline constexpr UINT WM_APP_RUN_FINISHED = WM_APP + 2;
// wParam: exit code of the format process, 2 when waiting for it failed. No record.
inline constexpr UINT WM_APP_FORMAT_EXITED = WM_APP + 3;
// lParam: a ReportLoadResult.
inline constexpr UINT WM_APP_REPORTS_LOADED = WM_APP + 4;
// Posted by the window to itself once it is created. No record.
inline constexpr UINT WM_APP_LOAD_SAVED_REPORTS = WM_APP + 5;

static_assert(WM_APP_PROGRESS == 32769 && WM_APP_LOAD_SAVED_REPORTS == 32773,
              "the posted message numbers are part of the window's protocol");

// Posts the record and hands it over; when posting fails (the window is gone, the queue is full)
// the record stays with the caller's pointer and is freed there. Returns whether it was posted.
template <typename Record>
bool postRecord(HWND window, UINT message, std::unique_ptr<Record> record) {
    if (!PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(record.get())))
        return false;
    record.release();  // the window's handler owns it now
    return true;
}

// The receiving side: takes ownership of a record posted with postRecord.
template <typename Record>
std::unique_ptr<Record> takePostedRecord(LPARAM lParam) {
    return std::unique_ptr<Record>(reinterpret_cast<Record*>(lParam));
}

}  // namespace orvane
