#include "platform/windows_api.h"  // before any other Windows header

#include <stdexcept>

#include <commdlg.h>
#include <shellapi.h>
#include <shobjidl.h>

#include "platform/com_pointer_windows.h"
#include "ui/desktop_services_windows.h"
#include "ui/format_dialog_windows.h"

namespace orvane {

namespace {

constexpr DWORD kPathBufferChars = 32768;

std::optional<std::filesystem::path> fileSystemPathOf(IShellItem* item) {
    CoTaskText path;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.put())) || path.get() == nullptr)
        return std::nullopt;
    return std::filesystem::path(path.get());
}

// Creates the system file-open dialog with extra options; empty when COM cannot make one.
bool createOpenDialog(ComPointer<IFileOpenDialog>& dialog, FILEOPENDIALOGOPTIONS extra,
                      const std::wstring& title) {
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, dialog.putVoid()))) {
        return false;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options)) || FAILED(dialog->SetOptions(options | extra)))
        return false;
    return SUCCEEDED(dialog->SetTitle(title.c_str()));
}

}  // namespace

int Win32DesktopServices::showMessageBox(HWND owner, const std::wstring& text,
                                         const std::wstring& title, UINT type) {
    return MessageBoxW(owner, text.c_str(), title.c_str(), type);
}

std::optional<std::filesystem::path> Win32DesktopServices::chooseFolder(HWND owner,
                                                                        const std::wstring& title) {
    ComPointer<IFileOpenDialog> dialog;
    if (!createOpenDialog(dialog, FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM, title))
        return std::nullopt;
    if (FAILED(dialog->Show(owner)))
        return std::nullopt;  // cancelled
    ComPointer<IShellItem> item;
    if (FAILED(dialog->GetResult(item.put())) || !item)
        return std::nullopt;
    return fileSystemPathOf(item.get());
}

std::vector<std::filesystem::path> Win32DesktopServices::chooseFilesToOpen(
    HWND owner, const std::wstring& title, const std::wstring& typeName,
    const std::wstring& pattern) {
    std::vector<std::filesystem::path> paths;
    ComPointer<IFileOpenDialog> dialog;
    if (!createOpenDialog(dialog, FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST | FOS_FORCEFILESYSTEM,
                          title)) {
        return paths;
    }
    const COMDLG_FILTERSPEC type{typeName.c_str(), pattern.c_str()};
    if (FAILED(dialog->SetFileTypes(1, &type)) || FAILED(dialog->Show(owner)))
        return paths;
    ComPointer<IShellItemArray> items;
    DWORD count = 0;
    if (FAILED(dialog->GetResults(items.put())) || FAILED(items->GetCount(&count)))
        return paths;
    for (DWORD i = 0; i < count; ++i) {
        ComPointer<IShellItem> item;
        if (FAILED(items->GetItemAt(i, item.put())))
            continue;
        if (auto path = fileSystemPathOf(item.get()))
            paths.push_back(std::move(*path));
    }
    return paths;
}

std::optional<std::filesystem::path> Win32DesktopServices::chooseSaveFile(
    HWND owner, const SaveFileRequest& request) {
    std::wstring filter = request.filterName + L'\0' + request.pattern + L'\0' + L'\0';
    std::wstring fileName = request.suggestedName;
    fileName.resize(kPathBufferChars, L'\0');
    const std::wstring initialFolder = request.initialFolder.native();

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = kPathBufferChars;
    dialog.lpstrInitialDir = initialFolder.c_str();
    dialog.lpstrDefExt = request.defaultExtension.c_str();
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&dialog))
        return std::nullopt;
    return std::filesystem::path(fileName.c_str());
}

void Win32DesktopServices::openFolder(HWND owner, const std::filesystem::path& folder) {
    // The shell reports nothing useful here; the caller has already made sure the folder exists.
    ShellExecuteW(owner, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR Win32DesktopServices::showFormatDialog(HWND owner, FormatDialogData& data) {
    return runFormatDialog(owner, data);
}

ElevatedStart Win32DesktopServices::launchElevated(HWND owner, const std::filesystem::path& program,
                                                   const std::wstring& parameters,
                                                   const std::filesystem::path& directory) {
    SHELLEXECUTEINFOW launch{};
    static_assert(sizeof(SHELLEXECUTEINFOW) == 112, "SHELLEXECUTEINFOW layout");
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    launch.hwnd = owner;
    launch.lpVerb = L"runas";
    launch.lpFile = program.c_str();
    launch.lpParameters = parameters.c_str();
    launch.lpDirectory = directory.c_str();
    launch.nShow = SW_HIDE;
    if (!ShellExecuteExW(&launch)) {
        if (GetLastError() == ERROR_CANCELLED)
            return ElevatedStart();
        throw std::runtime_error("Windows could not start the elevated formatting utility.");
    }
    if (launch.hProcess == nullptr)
        return ElevatedStart::withoutHandle();  // started all the same, maybe by another handler
    return ElevatedStart(UniqueKernelHandle(launch.hProcess));
}

}  // namespace orvane
