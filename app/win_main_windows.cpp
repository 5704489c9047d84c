// Process entry: the format dialog preview, the command-line benchmark or the main window.

#include "platform/windows_api.h"  // before any other Windows header

#include <cwchar>
#include <exception>
#include <filesystem>
#include <string>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "cli/run_command_line.h"
#include "platform/program_path_windows.h"
#include "platform/scope_exit.h"
#include "platform/unique_handle_windows.h"
#include "ui/desktop_services_windows.h"
#include "ui/format_dialog_windows.h"
#include "ui/main_window_windows.h"

namespace {

// The program's own folder.
std::filesystem::path executableFolder() {
    const auto program = orvane::programFilePath();
    return program ? std::filesystem::path(*program).parent_path()
                   : std::filesystem::current_path();
}

int runWindow(HINSTANCE instance, int showCommand) {
    const std::filesystem::path resultsFolder = executableFolder() / L"results";
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    orvane::ScopeExit uninitialize([com] {
        if (SUCCEEDED(com))
            CoUninitialize();
    });
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    orvane::Win32DesktopServices services;
    orvane::MainWindow window(services, resultsFolder);
    if (!window.create(instance))
        return 1;
    window.show(showCommand);
    return window.runMessageLoop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    try {
        int count = 0;
        wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
        if (arguments == nullptr)
            return 1;
        orvane::UniqueLocalMemory ownArguments(reinterpret_cast<HLOCAL>(arguments));
        if (count == 2 && std::wcscmp(arguments[1], L"--preview-format-dialog") == 0)
            return orvane::runFormatDialogPreview();
        if (count >= 2)
            return RunCommandLine(count, arguments);
        ownArguments.reset();
        return runWindow(instance, showCommand);
    } catch (const std::exception&) {
        return 1;  // nothing is shown: there may be no window to own a message box
    }
}
