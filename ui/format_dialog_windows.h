#pragma once
// The modal exFAT format dialog (resource 301): the reviewed target, the allocation unit, the new
// name and a confirmation switch. Its erase button answers only a real click.

#include "platform/windows_api.h"

namespace orvane {

struct FormatDialogData;

// Shows the dialog modally; 1 when the user chose "Erase + format", 2 for Cancel, the close box
// or Escape. data must outlive the call.
INT_PTR runFormatDialog(HWND owner, FormatDialogData& data);

// The dialog's procedure; lParam of WM_INITDIALOG is the FormatDialogData.
INT_PTR CALLBACK formatDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Validates the name, shows the name rule or the error, and enables the erase button only for a
// valid name, a chosen allocation and the switch on.
void updateFormatDialog(HWND dialog);

// The dialog with its sample review, for looking at; returns the process exit code.
int runFormatDialogPreview();

}  // namespace orvane
