#include "storage/drive_list.h"

#include "platform/windows_api.h"  // before any other Windows header

#include <cwchar>
#include <exception>

#include "storage/target_inspection.h"

namespace orvane {

std::vector<DriveEntry> listTestableDrives() {
    std::vector<DriveEntry> drives;
    // An empty card reader must not raise the system's "no disk" box.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previousMode);
    wchar_t roots[512] = {};
    const DWORD length = GetLogicalDriveStringsW(512, roots);
    if (length != 0 && length <= 511) {
        for (const wchar_t* root = roots; *root != L'\0'; root += std::wcslen(root) + 1) {
            const UINT type = GetDriveTypeW(root);
            if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED)
                continue;
            try {
                drives.push_back({root, inspectTarget(root).label, type == DRIVE_REMOVABLE});
            } catch (const std::exception&) {
                continue;  // a drive that cannot be tested is simply not offered
            }
        }
    }
    SetThreadErrorMode(previousMode, nullptr);
    return drives;
}

}  // namespace orvane
