#pragma once
// The name a screen reader announces for a control.

#include "platform/windows_api.h"

namespace orvane {

// Where the system offers no way to set it, the control keeps its default name.
void setAccessibleName(HWND control, const wchar_t* name);

}  // namespace orvane
