// The main window exactly as the program builds it, for looking at it where the system cannot be
// switched into a state (Wine has no high-contrast mode): "--high-contrast" forces that look.

#include "engine/windows_api.h"  // before any other Windows header

#include <cwchar>
#include <filesystem>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "engine/scope_exit.h"
#include "engine/unique_handle_windows.h"
#include "ui/desktop_services_windows.h"
#include "ui/main_window_windows.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return 1;
    orvane::UniqueLocalMemory ownArguments(reinterpret_cast<HLOCAL>(arguments));
    bool highContrast = false;
    for (int i = 1; i < count; ++i)
        highContrast = highContrast || std::wcscmp(arguments[i], L"--high-contrast") == 0;

    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    orvane::ScopeExit uninitialize([com] {
        if (SUCCEEDED(com))
            CoUninitialize();
    });
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    wchar_t program[32768] = {};
    GetModuleFileNameW(nullptr, program, 32768);
    orvane::Win32DesktopServices services;
    orvane::MainWindow window(services, std::filesystem::path(program).parent_path() / L"results");
    if (highContrast)
        window.overrideHighContrast(true);
    if (!window.create(instance))
        return 1;
    window.show(showCommand);
    return window.runMessageLoop();
}
