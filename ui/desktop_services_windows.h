#pragma once
// Everything the window does that waits on a person or leaves the process. The product talks to
// Win32 (Win32DesktopServices); tests substitute an implementation that answers and records, so
// the real window can be driven unattended.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/unique_handle_windows.h"

namespace orvane {

struct FormatDialogData;

// How an elevated start went: declined at the prompt, started with a process to watch, or
// started without one (the shell gave no handle: the program may be running).
struct ElevatedStart {
    ElevatedStart(UniqueKernelHandle started = UniqueKernelHandle())
        : process(std::move(started)) {}
    static ElevatedStart withoutHandle() {
        ElevatedStart start;
        start.startedWithoutHandle = true;
        return start;
    }
    bool declined() const { return !process && !startedWithoutHandle; }

    UniqueKernelHandle process;
    bool startedWithoutHandle = false;
};

struct SaveFileRequest {
    std::wstring filterName;        // "JSON report"
    std::wstring pattern;           // "*.json"
    std::wstring suggestedName;     // file name only
    std::wstring defaultExtension;  // "json", without the dot
    std::filesystem::path initialFolder;
};

class DesktopServices {
  public:
    virtual ~DesktopServices() = default;

    // MessageBoxW: returns the button pressed (IDOK, IDYES, ...).
    virtual int showMessageBox(HWND owner, const std::wstring& text, const std::wstring& title,
                               UINT type) = 0;

    // A folder picker; empty when cancelled or when the dialog cannot be created.
    virtual std::optional<std::filesystem::path> chooseFolder(HWND owner,
                                                              const std::wstring& title) = 0;

    // A multi-select file picker restricted to one file type; empty when cancelled.
    virtual std::vector<std::filesystem::path> chooseFilesToOpen(HWND owner,
                                                                 const std::wstring& title,
                                                                 const std::wstring& typeName,
                                                                 const std::wstring& pattern) = 0;

    // A save dialog that asks before replacing; empty when cancelled.
    virtual std::optional<std::filesystem::path> chooseSaveFile(HWND owner,
                                                                const SaveFileRequest& request) = 0;

    // Shows a folder in the system's file browser.
    virtual void openFolder(HWND owner, const std::filesystem::path& folder) = 0;

    // The modal exFAT format dialog; returns the dialog's result (1 for "Erase + format").
    virtual INT_PTR showFormatDialog(HWND owner, FormatDialogData& data) = 0;

    // Starts a program elevated ("runas"). The shell's wait for the prompt dispatches the
    // owner's messages. Throws on every failure but a declined prompt.
    virtual ElevatedStart launchElevated(HWND owner, const std::filesystem::path& program,
                                         const std::wstring& parameters,
                                         const std::filesystem::path& directory) = 0;
};

// The product's implementation.
class Win32DesktopServices final : public DesktopServices {
  public:
    int showMessageBox(HWND owner, const std::wstring& text, const std::wstring& title,
                       UINT type) override;
    std::optional<std::filesystem::path> chooseFolder(HWND owner,
                                                      const std::wstring& title) override;
    std::vector<std::filesystem::path> chooseFilesToOpen(HWND owner, const std::wstring& title,
                                                         const std::wstring& typeName,
                                                         const std::wstring& pattern) override;
    std::optional<std::filesystem::path> chooseSaveFile(HWND owner,
                                                        const SaveFileRequest& request) override;
    void openFolder(HWND owner, const std::filesystem::path& folder) override;
    INT_PTR showFormatDialog(HWND owner, FormatDialogData& data) override;
    ElevatedStart launchElevated(HWND owner, const std::filesystem::path& program,
                                 const std::wstring& parameters,
                                 const std::filesystem::path& directory) override;
};

}  // namespace orvane
