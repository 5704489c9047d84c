// The real format dialog from the program's resources, under Wine: its start state, the rule that
// enables the erase button, and what Enter, Escape, Tab, Space and clicks do inside its modal loop.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <commctrl.h>
#include <objbase.h>

#include "format/format_target_rules.h"
#include "platform/text_encoding.h"
#include "resources/resource_ids.h"
#include "ui/format_dialog_data.h"
#include "ui/format_dialog_text.h"
#include "ui/format_dialog_windows.h"
#include "ui/window_text_windows.h"

namespace orvane {
namespace {

std::wstring wide(const char* utf8) {
    return fromUtf8(utf8);
}

FormatDialogData stickData() {
    FormatDialogData data;
    data.target.volume.root = L"E:\\";
    data.target.volume.label = L"STICK";
    data.target.volume.filesystem = L"FAT32";
    data.target.volume.totalBytes = 32212254720ull;  // 30 GiB
    data.target.volume.allocationUnitBytes = 16384;
    data.target.volumePath = L"\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\";
    data.target.volumeSerial = 0xDEADBEEF;
    data.target.diskNumber = 3;
    data.target.busType = kBusUsb;
    data.label = L"orvane";
    return data;
}

class FormatDialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }
    void TearDown() override {
        if (dialog_ != nullptr)
            DestroyWindow(dialog_);
    }

    // The same template and procedure as the modal dialog, without its modal loop.
    void open(FormatDialogData& data) {
        dialog_ =
            CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FORMAT_DIALOG),
                               nullptr, formatDialogProcedure, reinterpret_cast<LPARAM>(&data));
        ASSERT_NE(dialog_, nullptr);
        ShowWindow(dialog_, SW_SHOW);
    }
    HWND item(int id) const { return GetDlgItem(dialog_, id); }
    bool eraseEnabled() const { return IsWindowEnabled(item(IDOK)) != FALSE; }
    void clickSwitch() { SendMessageW(item(IDC_FORMAT_CONFIRM), BM_CLICK, 0, 0); }
    void selectCluster(int index) {
        SendMessageW(item(IDC_FORMAT_CLUSTER), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(IDC_FORMAT_CLUSTER, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(item(IDC_FORMAT_CLUSTER)));
    }
    void typeName(const std::wstring& name) {
        SetWindowTextW(item(IDC_FORMAT_NAME), name.c_str());  // raises EN_CHANGE
    }

    HWND dialog_ = nullptr;
};

TEST_F(FormatDialog, StartsWithTheReviewedTargetAndNothingArmed) {
    FormatDialogData data = stickData();
    open(data);
    EXPECT_EQ(windowText(dialog_), L"Orvane Varnolt - Format as exFAT");
    EXPECT_EQ(windowText(item(IDC_FORMAT_SUMMARY)), fromUtf8(formatDialogSummary(data.target)));
    EXPECT_EQ(SendMessageW(item(IDC_FORMAT_CLUSTER), CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(SendMessageW(item(IDC_FORMAT_CLUSTER), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(windowText(item(IDC_FORMAT_NAME)), L"orvane");
    EXPECT_EQ(SendMessageW(item(IDC_FORMAT_NAME), EM_GETLIMITTEXT, 0, 0), 11);
    EXPECT_EQ(SendMessageW(item(IDC_FORMAT_CONFIRM), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(eraseEnabled()) << "the switch starts off";
    EXPECT_EQ(SendMessageW(dialog_, DM_GETDEFID, 0, 0), MAKELRESULT(IDCANCEL, DC_HASDEFID))
        << "Enter must reach Cancel, never the erase button";
    // Only the heading is coloured.
    const HDC dc = CreateCompatibleDC(nullptr);
    const auto colour = [&](int id) {
        SendMessageW(dialog_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(item(id)));
        return GetTextColor(dc);
    };
    EXPECT_EQ(colour(IDC_FORMAT_HEADING), RGB(180, 35, 35));
    EXPECT_EQ(colour(IDC_FORMAT_WARNING), GetSysColor(COLOR_WINDOWTEXT));
    DeleteDC(dc);
}

TEST_F(FormatDialog, EraseButtonFollowsNameSelectionAndSwitch) {
    FormatDialogData data = stickData();
    open(data);
    clickSwitch();
    EXPECT_TRUE(eraseEnabled()) << "valid name, default allocation, switch on";
    typeName(L"-models");
    EXPECT_FALSE(eraseEnabled());
    EXPECT_EQ(windowText(item(IDC_FORMAT_NAME_RULE)), wide(format_dialog_text::kInvalidName));
    typeName(L"AI-Models_2");
    EXPECT_TRUE(eraseEnabled()) << "fixing the name needs no new confirmation";
    EXPECT_EQ(windowText(item(IDC_FORMAT_NAME_RULE)), wide(format_dialog_text::kNameRule));
    selectCluster(-1);
    EXPECT_FALSE(eraseEnabled()) << "no allocation chosen";
    selectCluster(4);
    EXPECT_TRUE(eraseEnabled());
    clickSwitch();
    EXPECT_FALSE(eraseEnabled()) << "switch off";
    typeName(L"-bad");
    clickSwitch();
    EXPECT_FALSE(eraseEnabled()) << "switch on with an invalid name";
}

TEST_F(FormatDialog, PreviewSaysSoInCaptionAndHeading) {
    FormatDialogData data = previewFormatDialogData();
    open(data);
    EXPECT_EQ(windowText(dialog_), L"Orvane Varnolt - Format dialog preview (no disk changes)");
    EXPECT_EQ(windowText(item(IDC_FORMAT_HEADING)), L"PREVIEW ONLY - NO DRIVE WILL BE FORMATTED");
}

// Runs the modal dialog and performs one step per timer tick inside its message loop, so that
// posted keys pass through the dialog manager exactly as typed keys do.
class ModalScript {
  public:
    using Step = std::function<void(HWND dialog)>;

    static INT_PTR run(FormatDialogData& data, std::vector<Step> steps) {
        // Posted by windows other tests destroyed; it would end the modal loop at once.
        MSG quit{};
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        current() = ModalScript{std::move(steps)};
        const UINT_PTR timer = SetTimer(nullptr, 0, 30, &ModalScript::tick);
        const INT_PTR result = runFormatDialog(nullptr, data);
        KillTimer(nullptr, timer);
        return result;
    }

  private:
    explicit ModalScript(std::vector<Step> steps = {}) : steps_(std::move(steps)) {}

    static BOOL CALLBACK findDialog(HWND window, LPARAM found) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&dialog));
        if (dialog == nullptr)
            return;
        ModalScript& script = current();
        if (script.next_ < script.steps_.size()) {
            script.steps_[script.next_++](dialog);
        } else if (++script.idleTicks_ > 30) {
            EndDialog(dialog, 99);  // the script ran out and the dialog is still open
        }
    }

    static ModalScript& current() {
        static ModalScript script;
        return script;
    }
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int idleTicks_ = 0;
};

constexpr INT_PTR kStillOpen = 99;

void postKey(HWND control, UINT key) {
    PostMessageW(control, WM_KEYDOWN, key, 1);
    if (key == VK_RETURN || key == VK_SPACE)
        PostMessageW(control, WM_CHAR, key, 1);
    PostMessageW(control, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

void armDialog(HWND dialog) {
    SendDlgItemMessageW(dialog, IDC_FORMAT_CONFIRM, BM_CLICK, 0, 0);
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "the erase button is armed";
}

TEST(FormatDialogKeys, EnterInTheNameActivatesCancelEvenWhenArmed) {
    FormatDialogData data = stickData();
    const INT_PTR result = ModalScript::run(
        data,
        {armDialog, [](HWND dialog) { postKey(GetDlgItem(dialog, IDC_FORMAT_NAME), VK_RETURN); }});
    EXPECT_EQ(result, IDCANCEL);
}

TEST(FormatDialogKeys, EnterOnTheEraseButtonDoesNothingAndEscapeOnItCancels) {
    FormatDialogData data = stickData();
    bool openAfterEnter = false;
    const INT_PTR result = ModalScript::run(data, {armDialog,
                                                   [](HWND dialog) {
                                                       SetFocus(GetDlgItem(dialog, IDOK));
                                                       postKey(GetDlgItem(dialog, IDOK), VK_RETURN);
                                                   },
                                                   [&](HWND dialog) {
                                                       openAfterEnter =
                                                           IsWindowVisible(dialog) != FALSE;
                                                       postKey(GetDlgItem(dialog, IDOK), VK_ESCAPE);
                                                   }});
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(result, IDCANCEL);
}

TEST(FormatDialogKeys, TabLeavesTheEraseButtonAndSpaceStillPressesIt) {
    FormatDialogData data = stickData();
    HWND focusAfterTab = nullptr;
    HWND cancel = nullptr;
    const INT_PTR result = ModalScript::run(
        data, {armDialog,
               [](HWND dialog) {
                   SetFocus(GetDlgItem(dialog, IDOK));
                   postKey(GetDlgItem(dialog, IDOK), VK_TAB);
               },
               [&](HWND dialog) {
                   focusAfterTab = GetFocus();
                   cancel = GetDlgItem(dialog, IDCANCEL);
                   SetDlgItemTextW(dialog, IDC_FORMAT_NAME, L"MODELS");
                   SendDlgItemMessageW(dialog, IDC_FORMAT_CLUSTER, CB_SETCURSEL, 3, 0);
                   SetFocus(GetDlgItem(dialog, IDOK));
                   postKey(GetDlgItem(dialog, IDOK), VK_SPACE);
               }});
    EXPECT_EQ(focusAfterTab, cancel) << "Tab moves on from the erase button";
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(data.label, L"MODELS");
    EXPECT_EQ(data.clusterBytes, 131072u);
}

TEST(FormatDialogKeys, OnlyAClickOfTheEnabledButtonErases) {
    FormatDialogData data = stickData();
    bool openAfterFakeCommands = false;
    const INT_PTR result = ModalScript::run(
        data, {[](HWND dialog) {
                   // Disabled: a click does nothing.
                   SendDlgItemMessageW(dialog, IDOK, BM_CLICK, 0, 0);
                   armDialog(dialog);
                   // Armed, but not from the button: a bare IDOK, or one with another code.
                   SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                   SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_DOUBLECLICKED),
                                reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
               },
               [&](HWND dialog) {
                   openAfterFakeCommands = IsWindowVisible(dialog) != FALSE;
                   SendDlgItemMessageW(dialog, IDOK, BM_CLICK, 0, 0);
               }});
    EXPECT_TRUE(openAfterFakeCommands);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(data.label, L"orvane");
    EXPECT_EQ(data.clusterBytes, 0u) << "the Windows default";
}

TEST(FormatDialogKeys, CloseBoxAndEscapeCancel) {
    FormatDialogData data = stickData();
    EXPECT_EQ(ModalScript::run(data, {[](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); }}),
              IDCANCEL);
    EXPECT_EQ(ModalScript::run(data, {[](HWND dialog) {
                                   postKey(GetDlgItem(dialog, IDC_FORMAT_NAME), VK_ESCAPE);
                               }}),
              IDCANCEL);
    EXPECT_EQ(ModalScript::run(data, {}), kStillOpen) << "left alone, it waits";
}

}  // namespace
}  // namespace orvane
