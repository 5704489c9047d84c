#pragma once
// A stand-in for the person at the desk: answers dialogs from a script and records every request.

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/desktop_services_windows.h"
#include "ui/format_dialog_data.h"

namespace orvane::testing {

struct ElevatedLaunch {
    std::filesystem::path program;
    std::wstring parameters;
    std::filesystem::path directory;
};

struct ShownMessage {
    std::wstring text;
    std::wstring title;
    UINT type = 0;
};

class ScriptedDesktopServices final : public DesktopServices {
  public:
    std::vector<ShownMessage> messages;
    std::vector<std::wstring> folderDialogTitles;
    std::deque<std::optional<std::filesystem::path>> folderAnswers;
    std::vector<std::filesystem::path> openedFolders;
    // Save dialogs: each request, answered in turn by a path or a cancel (also when none is left).
    std::vector<SaveFileRequest> saveRequests;
    std::deque<std::optional<std::filesystem::path>> saveAnswers;
    // File-open dialogs: each title, answered in turn by the chosen files (none: cancelled).
    std::vector<std::wstring> openDialogTitles;
    std::deque<std::vector<std::filesystem::path>> openAnswers;

    // Message boxes: each answered in turn (IDOK when none is left).
    std::deque<int> messageAnswers;

    int showMessageBox(HWND, const std::wstring& text, const std::wstring& title,
                       UINT type) override {
        messages.push_back({text, title, type});
        if (messageAnswers.empty())
            return IDOK;
        const int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    std::optional<std::filesystem::path> chooseFolder(HWND, const std::wstring& title) override {
        folderDialogTitles.push_back(title);
        if (folderAnswers.empty())
            return std::nullopt;
        auto answer = folderAnswers.front();
        folderAnswers.pop_front();
        return answer;
    }
    std::vector<std::filesystem::path> chooseFilesToOpen(HWND, const std::wstring& title,
                                                         const std::wstring& typeName,
                                                         const std::wstring& pattern) override {
        openDialogTitles.push_back(title + L" | " + typeName + L" | " + pattern);
        if (openAnswers.empty())
            return {};
        auto answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    std::optional<std::filesystem::path> chooseSaveFile(HWND,
                                                        const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        if (saveAnswers.empty())
            return std::nullopt;
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    void openFolder(HWND, const std::filesystem::path& folder) override {
        openedFolders.push_back(folder);
    }
    // The format dialog: each answer may change the dialog data (name, allocation) and gives
    // the dialog's result; without answers the user cancels.
    std::vector<FormatDialogData> formatDialogsShown;
    std::deque<std::function<INT_PTR(FormatDialogData&)>> formatDialogAnswers;
    INT_PTR showFormatDialog(HWND, FormatDialogData& data) override {
        formatDialogsShown.push_back(data);
        if (formatDialogAnswers.empty())
            return IDCANCEL;
        auto answer = std::move(formatDialogAnswers.front());
        formatDialogAnswers.pop_front();
        return answer(data);
    }

    // The elevated start: the answer gives the process (empty: the user declined) or throws.
    std::vector<ElevatedLaunch> launches;
    std::function<ElevatedStart()> elevatedAnswer;
    ElevatedStart launchElevated(HWND, const std::filesystem::path& program,
                                 const std::wstring& parameters,
                                 const std::filesystem::path& directory) override {
        launches.push_back({program, parameters, directory});
        return elevatedAnswer ? elevatedAnswer() : ElevatedStart();
    }
};

}  // namespace orvane::testing
