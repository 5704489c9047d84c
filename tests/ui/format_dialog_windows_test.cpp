// The real format dialog from the program's resources, in its own modal loop under Wine: the start
// state, what arms the erase button, and what Enter, Escape, Tab, Space and clicks do.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "resources/resource_ids.h"
#include "ui/format_dialog_data.h"
#include "ui/format_dialog_text.h"
#include "ui/format_dialog_windows.h"
#include "ui/window_text_windows.h"

namespace orvane {
namespace {

using Step = std::function<void(HWND dialog)>;
constexpr INT_PTR kStillOpen = 99;

std::vector<Step> script;
std::size_t nextStep = 0;
int idleTicks = 0;

// Runs the modal dialog and performs one step per timer tick inside its message loop, so that
// posted keys pass through the dialog manager exactly as typed keys do.
INT_PTR runModal(FormatDialogData& data, std::vector<Step> steps) {
    MSG quit{};  // posted by windows other tests destroyed; it would end the loop at once
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    script = std::move(steps);
    nextStep = 0;
    idleTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
        const HWND dialog = GetActiveWindow();  // the modal dialog, once shown
        if (dialog != nullptr && nextStep < script.size())
            script[nextStep++](dialog);
        else if (dialog != nullptr && ++idleTicks > 30)
            EndDialog(dialog, kStillOpen);  // the script ran out and the dialog is still open
    });
    const INT_PTR result = runFormatDialog(nullptr, data);
    KillTimer(nullptr, timer);
    return result;
}

bool armed(HWND dialog) {
    return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
}
void click(HWND dialog, int id) {
    SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
}
void arm(HWND dialog) {
    click(dialog, IDC_FORMAT_CONFIRM);
    ASSERT_TRUE(armed(dialog)) << "valid name, default allocation, switch on";
}
Step postKey(int id, UINT key) {
    return [id, key](HWND dialog) {
        const HWND control = GetDlgItem(dialog, id);
        SetFocus(control);
        PostMessageW(control, WM_KEYDOWN, key, 1);
        if (key == VK_RETURN || key == VK_SPACE)
            PostMessageW(control, WM_CHAR, key, 1);
        PostMessageW(control, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
    };
}

TEST(FormatDialog, StartsDisarmedAndOnlyAValidNameAnAllocationAndTheSwitchArmIt) {
    FormatDialogData data = previewFormatDialogData();
    data.preview = false;  // the preview's sample, offered as a real target
    const auto check = [&](HWND dialog) {
        const auto item = [dialog](int id) { return GetDlgItem(dialog, id); };
        EXPECT_EQ(windowText(item(IDC_FORMAT_SUMMARY)), fromUtf8(formatDialogSummary(data.target)));
        EXPECT_EQ(SendMessageW(item(IDC_FORMAT_NAME), EM_GETLIMITTEXT, 0, 0), 11);
        EXPECT_EQ(SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID))
            << "Enter must reach Cancel, never the erase button";
        EXPECT_FALSE(armed(dialog)) << "the switch starts off";
        arm(dialog);
        SetDlgItemTextW(dialog, IDC_FORMAT_NAME, L"-models");  // raises EN_CHANGE
        EXPECT_FALSE(armed(dialog));
        EXPECT_EQ(windowText(item(IDC_FORMAT_NAME_RULE)),
                  fromUtf8(format_dialog_text::kInvalidName));
        SetDlgItemTextW(dialog, IDC_FORMAT_NAME, L"AI-Models_2");
        EXPECT_TRUE(armed(dialog)) << "fixing the name needs no new confirmation";
        SendMessageW(item(IDC_FORMAT_CLUSTER), CB_SETCURSEL, WPARAM(-1), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FORMAT_CLUSTER, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(item(IDC_FORMAT_CLUSTER)));
        EXPECT_FALSE(armed(dialog)) << "no allocation chosen";
        SendMessageW(item(IDC_FORMAT_CLUSTER), CB_SETCURSEL, 4, 0);
        click(dialog, IDC_FORMAT_CONFIRM);
        EXPECT_FALSE(armed(dialog)) << "switch off";
        click(dialog, IDC_FORMAT_CONFIRM);  // on again, the allocation read afresh
        click(dialog, IDOK);
    };
    EXPECT_EQ(runModal(data, {check}), IDOK);
    EXPECT_EQ(data.label, L"AI-Models_2");
    EXPECT_EQ(data.clusterBytes, 262144u);
}

TEST(FormatDialog, OnlyTheEnabledButtonPressedByClickOrSpaceErases) {
    FormatDialogData data = previewFormatDialogData();
    data.preview = false;
    EXPECT_EQ(runModal(data, {[](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); }}), IDCANCEL)
        << "the close box cancels";
    bool openAfterEnter = false, openAfterFakeCommands = false;
    EXPECT_EQ(runModal(data, {arm, postKey(IDOK, VK_RETURN),
                              [&](HWND dialog) {
                                  openAfterEnter = IsWindowVisible(dialog) != FALSE;
                                  postKey(IDOK, VK_ESCAPE)(dialog);
                              }}),
              IDCANCEL);
    EXPECT_TRUE(openAfterEnter) << "Enter never erases; Escape on the erase button cancels";
    HWND focusAfterTab = nullptr, cancel = nullptr;
    const INT_PTR result =
        runModal(data, {[](HWND dialog) {
                            click(dialog, IDOK);  // disabled: nothing
                            arm(dialog);
                            // Armed, but not from the button: a bare IDOK, or another code.
                            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_DOUBLECLICKED),
                                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
                        },
                        postKey(IDOK, VK_TAB),
                        [&](HWND dialog) {
                            openAfterFakeCommands = IsWindowVisible(dialog) != FALSE;
                            focusAfterTab = GetFocus();
                            cancel = GetDlgItem(dialog, IDCANCEL);
                            postKey(IDOK, VK_SPACE)(dialog);
                        }});
    EXPECT_TRUE(openAfterFakeCommands);
    EXPECT_EQ(focusAfterTab, cancel) << "Tab moves on from the erase button";
    EXPECT_EQ(result, IDOK) << "Space still presses it";
    EXPECT_EQ(data.label, L"orvane");
    EXPECT_EQ(data.clusterBytes, 0u) << "the Windows default";
}

}  // namespace
}  // namespace orvane
