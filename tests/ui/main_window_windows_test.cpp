// The real main window, created in this process and driven through its messages and the
// desktop seam (headless under Wine's null graphics driver).

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <commctrl.h>
#include <objbase.h>

#include "platform/text_encoding.h"
#include "reports/report_ranking.h"
#include "reports/suitability.h"
#include "storage/target_rules.h"
#include "tests/support/sample_reports.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/scripted_desktop_services_windows.h"
#include "tests/ui/window_test_support_windows.h"
#include "ui/control_enabling.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/posted_messages_windows.h"
#include "ui/setup_form.h"
#include "ui/window_text_windows.h"

namespace orvane {
namespace {

std::wstring classOf(HWND control) {
    wchar_t buffer[256] = {};
    GetClassNameW(control, buffer, 256);
    std::wstring name = buffer;
    for (auto& c : name)
        c = static_cast<wchar_t>(std::towlower(c));
    return name;
}

PixelRect rectInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

std::vector<HWND> childrenInOrder(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

struct ExpectedControl {
    const wchar_t* className;
    const wchar_t* text;
    int id;
    PixelRect rect96;
};

// The window as it is meant to look, written out independently of the code that builds it.
const ExpectedControl kExpected[] = {
    {L"static", L"DRIVE / FOLDER", IDC_FOLDER_LABEL, {28, 104, 330, 22}},
    {L"edit", L"", IDC_FOLDER, {28, 128, 788, 31}},
    {L"button", L"Browse...", IDC_BROWSE, {832, 127, 100, 33}},
    {L"combobox", L"", IDC_DRIVES, {28, 168, 470, 240}},
    {L"button", L"Refresh drives", IDC_REFRESH_DRIVES, {512, 167, 144, 31}},
    {L"button", L"Format as exFAT...", IDC_FORMAT, {676, 167, 256, 31}},
    {L"static", nullptr, IDC_TARGET_LINE, {28, 203, 904, 24}},  // target line, written at start
    {L"static", L"TEST DEPTH", IDC_DEPTH_LABEL, {28, 236, 330, 22}},
    {L"static", L"MODEL SIZE (GB)", IDC_MODEL_SIZE_LABEL, {398, 236, 230, 22}},
    {L"combobox", L"Standard - 1 GiB", IDC_DEPTH, {28, 261, 340, 180}},
    {L"edit", L"6.6", IDC_MODEL_SIZE, {398, 261, 100, 31}},
    {L"msctls_updown32", L"Model size arrows", IDC_MODEL_SPIN, {498, 261, 22, 31}},
    {L"button", L"Start read + write test", IDC_START, {530, 260, 244, 34}},
    {L"button", L"Cancel", IDC_CANCEL, {790, 260, 142, 34}},
    {L"static",
     L"Temporary dataset: 1024 MiB  |  Random tests: 8 s each  |  Maximum writes: "
     L"1.96 GiB",
     IDC_DATASET_SUMMARY,
     {28, 306, 904, 24}},
    {L"static",
     L"Writes temporary files only; existing files are preserved. Keep the drive connected "
     L"until cleanup completes.",
     IDC_SAFETY_NOTE,
     {28, 334, 904, 22}},
    {L"msctls_progress32", L"", IDC_PROGRESS, {28, 362, 904, 14}},
    {L"static",
     L"Ready. Choose the folder on the drive you want to evaluate.",
     IDC_STATUS,
     {28, 384, 904, 24}},
    {L"syslistview32", L"", IDC_COMPARISON, {28, 414, 904, 142}},
    {L"button", L"Import JSON...", IDC_IMPORT, {28, 568, 132, 32}},
    {L"button", L"Open Results Folder", IDC_OPEN_RESULTS, {174, 568, 184, 32}},
    {L"button", L"Save JSON", IDC_SAVE_JSON, {690, 568, 114, 32}},
    {L"button", L"Save CSV", IDC_SAVE_CSV, {818, 568, 114, 32}},
    {L"edit", nullptr, IDC_DETAILS, {28, 612, 904, 74}},  // details
};
constexpr std::size_t kDetailsIndex = 23;
constexpr std::size_t kBrowseIndex = 2;
const std::set<std::size_t> kWidened{1, 6, 14, 16, 17, 18, 23};

// Where control i belongs: its written rectangle scaled by dpi/96, with the client's extra width
// added to the widened controls and to Browse's position. The minimum window width can make the
// client a few pixels wider than designed (the frame is thinner than the minimum assumes).
PixelRect expectedRect(std::size_t i, double scale, PixelSize client, HWND control) {
    const auto scaled = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
    const PixelRect& r = kExpected[i].rect96;
    PixelRect expected{scaled(r.x), scaled(r.y), scaled(r.width), scaled(r.height)};
    const int extra = std::max(0, client.width - scaled(960));
    if (kWidened.count(i))
        expected.width += extra;
    if (i == kBrowseIndex)
        expected.x += extra;
    if (i == kDetailsIndex)
        expected.height = std::max(expected.height, client.height - scaled(24) - expected.y);
    if (std::wstring(kExpected[i].className) == L"combobox")
        expected.height = rectInParent(control).height;  // the closed height of a drop list
    return expected;
}

// The headless display is 1024 pixels wide; let the window grow past it like on a big monitor.
LRESULT CALLBACK allowLargeWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR) {
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_GETMINMAXINFO) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxTrackSize = {8000, 8000};
    }
    return result;
}

class MainWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { orvane::testing::initWindowTests(); }

    void SetUp() override {
        window_ = std::make_unique<MainWindow>(services_, folder_.path() / "results");
        ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr)));
        hwnd_ = window_->handle();
        SetWindowSubclass(hwnd_, allowLargeWindow, 1, 0);
        window_->sizeClientForDpi();
    }

    HWND control(int id) const { return window_->control(id); }
    HWND at(std::size_t index) const { return control(kExpected[index].id); }
    std::vector<std::wstring> driveRoots() const {
        std::vector<std::wstring> roots;
        for (const DriveEntry& drive : window_->setup().drives())
            roots.push_back(drive.root);
        return roots;
    }

    void typeInto(int id, const std::wstring& text) {
        SetWindowTextW(control(id), text.c_str());  // raises EN_CHANGE like typing does
    }
    void chooseDepth(int index) {
        SendMessageW(control(IDC_DEPTH), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_DEPTH, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control(IDC_DEPTH)));
    }
    LRESULT pressArrow(int delta) {
        NMUPDOWN change{};
        change.hdr.hwndFrom = control(IDC_MODEL_SPIN);
        change.hdr.idFrom = IDC_MODEL_SPIN;
        change.hdr.code = UDN_DELTAPOS;
        change.iDelta = delta;
        return SendMessageW(hwnd_, WM_NOTIFY, IDC_MODEL_SPIN, reinterpret_cast<LPARAM>(&change));
    }
    std::set<int> enabledIds() const { return orvane::testing::enabledControlIds(*window_); }
    PixelSize clientSize() const {
        RECT client{};
        GetClientRect(hwnd_, &client);
        return {client.right, client.bottom};
    }

    orvane::testing::TempFolder folder_;
    orvane::testing::ScriptedDesktopServices services_;
    std::unique_ptr<MainWindow> window_;
    HWND hwnd_ = nullptr;
};

TEST_F(MainWindowTest, ControlsExistInCreationOrderWithIdsTextsAndRectangles) {
    const std::vector<HWND> children = childrenInOrder(hwnd_);
    ASSERT_EQ(children.size(), std::size(kExpected));
    const PixelSize client = clientSize();
    EXPECT_EQ(client.height, 768);
    EXPECT_GE(client.width, 960);
    EXPECT_LE(client.width, 980);
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ExpectedControl& expected = kExpected[i];
        EXPECT_EQ(children[i], at(i)) << i;
        EXPECT_EQ(classOf(children[i]), expected.className) << i;
        EXPECT_EQ(GetDlgCtrlID(children[i]), expected.id) << i;
        if (expected.text != nullptr) {
            EXPECT_EQ(windowText(children[i]), expected.text) << i;
        }
        EXPECT_EQ(rectInParent(children[i]), expectedRect(i, 1.0, client, children[i])) << i;
    }
    const auto style = [&](std::size_t i) { return GetWindowLongPtrW(at(i), GWL_STYLE); };
    EXPECT_TRUE(style(12) & BS_DEFPUSHBUTTON);
    EXPECT_TRUE(style(kDetailsIndex) & ES_READONLY);
    EXPECT_TRUE(style(kDetailsIndex) & ES_MULTILINE);
    EXPECT_EQ(style(18) & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style(18) & LVS_SINGLESEL);
    EXPECT_TRUE(style(18) & LVS_SHOWSELALWAYS) << "the selected row stays visible without focus";
    EXPECT_EQ(style(3) & 0x3, CBS_DROPDOWNLIST);
    EXPECT_EQ(windowText(hwnd_), L"Orvane Varnolt - Storage for Local AI");
}

TEST_F(MainWindowTest, StartsWithDepthsArrowsColumnsDotsAndDisabledButtons) {
    const HWND depth = control(IDC_DEPTH);
    ASSERT_EQ(SendMessageW(depth, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(depth, CB_GETCURSEL, 0, 0), 1);
    const HWND spin = control(IDC_MODEL_SPIN);
    int low = 0, high = 0;
    SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                 reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 10000);
    EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, 0), 66);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(spin, UDM_GETBUDDY, 0, 0)),
              control(IDC_MODEL_SIZE));

    const HWND list = window_->control(IDC_COMPARISON);
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 12);
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), 260 + clientSize().width - 960);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 55);
    EXPECT_EQ(ListView_GetColumnWidth(list, 11), 190);
    const DWORD extended = ListView_GetExtendedListViewStyle(list);
    EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT),
              static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT));
    const HIMAGELIST dots = ListView_GetImageList(list, LVSIL_SMALL);
    ASSERT_NE(dots, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(dots), 3);
    int side = 0, height = 0;
    ImageList_GetIconSize(dots, &side, &height);
    EXPECT_EQ(side, 16);

    EXPECT_EQ(enabledIds(), (std::set<int>{IDC_FOLDER, IDC_BROWSE, IDC_DRIVES, IDC_REFRESH_DRIVES,
                                           IDC_DEPTH, IDC_MODEL_SIZE, IDC_START, IDC_FORMAT,
                                           IDC_IMPORT, IDC_OPEN_RESULTS, IDC_MODEL_SPIN}));
    EXPECT_EQ(SendMessageW(window_->control(IDC_DETAILS), EM_GETLIMITTEXT, 0, 0), 64000);
    EXPECT_NE(window_->bodyFont(), nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control(IDC_START), WM_GETFONT, 0, 0)),
              window_->bodyFont());
    EXPECT_NE(window_->icon(), nullptr) << "icon 101 is linked into the program";
    // Nothing typed yet: a hint, not a complaint.
    EXPECT_EQ(windowText(window_->control(IDC_TARGET_LINE)),
              L"Choose a drive or folder to inspect its available space.");
    // Tab and Shift+Tab leave the read-only details box like any other control.
    MSG tab{window_->control(IDC_DETAILS), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_EQ(SendMessageW(tab.hwnd, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) &
                  (DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE),
              0);

    MSG posted{};
    EXPECT_TRUE(PeekMessageW(&posted, hwnd_, WM_APP_LOAD_SAVED_REPORTS, WM_APP_LOAD_SAVED_REPORTS,
                             PM_REMOVE));
}

TEST_F(MainWindowTest, TypingAFolderUpdatesTheSummaryAndTargetLine) {
    // A share or device path is refused by its form at once, with no file-system call.
    typeInto(IDC_FOLDER, L"\\\\server\\share\\models");
    EXPECT_EQ(windowText(window_->control(IDC_TARGET_LINE)), fromUtf8(kLocalPathMessage));
    // A folder is inspected once typing pauses, not on every keystroke.
    typeInto(IDC_FOLDER, folder_.path().native());
    EXPECT_EQ(windowText(window_->control(IDC_TARGET_LINE)), fromUtf8(kLocalPathMessage));
    ASSERT_TRUE(orvane::testing::pumpUntil(
        [&] {
            return windowText(window_->control(IDC_TARGET_LINE)) != fromUtf8(kLocalPathMessage);
        },
        5.0));
    const std::wstring target = windowText(window_->control(IDC_TARGET_LINE));
    EXPECT_EQ(target.find(L":\\  "), 1u) << target;
    EXPECT_NE(target.find(L"  |  "), std::wstring::npos) << target;
    EXPECT_EQ(target.substr(target.size() - 9), L" GiB free") << target;
    EXPECT_EQ(windowText(window_->control(IDC_DATASET_SUMMARY)),
              L"Temporary dataset: 1024 MiB  |  Random tests: 8 s each  |  Maximum writes: "
              L"1.96 GiB");

    // The volume's drive entry is selected when the list holds it.
    const std::vector<std::wstring> roots = driveRoots();
    const LRESULT selected = SendMessageW(control(IDC_DRIVES), CB_GETCURSEL, 0, 0);
    const std::wstring root = target.substr(0, 3);
    if (matchingDriveIndex(roots, root) >= 0) {
        EXPECT_EQ(selected, matchingDriveIndex(roots, root));
    }

    typeInto(IDC_FOLDER, (folder_.path() / L"missing").native());
    EXPECT_TRUE(orvane::testing::pumpUntil(
        [&] {
            return windowText(window_->control(IDC_TARGET_LINE)) ==
                   fromUtf8(kChooseExistingFolderMessage);
        },
        5.0));
    EXPECT_EQ(windowText(window_->control(IDC_DATASET_SUMMARY)),
              L"Temporary dataset: 1024 MiB  |  Random tests: 8 s each  |  Maximum writes: "
              L"1.96 GiB");
}

TEST_F(MainWindowTest, EachDepthGivesItsSummary) {
    const wchar_t* summaries[] = {
        L"Temporary dataset: 256 MiB  |  Random tests: 3 s each  |  Maximum writes: 1.20 GiB",
        L"Temporary dataset: 1024 MiB  |  Random tests: 8 s each  |  Maximum writes: 1.96 GiB",
        L"Temporary dataset: 3072 MiB  |  Random tests: 20 s each  |  Maximum writes: 3.96 GiB",
    };
    for (int index : {2, 0, 1}) {
        chooseDepth(index);
        EXPECT_EQ(windowText(window_->control(IDC_DATASET_SUMMARY)), summaries[index]) << index;
        EXPECT_EQ(window_->setup().readRunOptions().testBytes,
                  testDepths()[static_cast<std::size_t>(index)].testBytes);
    }
}

TEST_F(MainWindowTest, ModelSizeTextsAreAcceptedOrExplainedInPlace) {
    typeInto(IDC_FOLDER, folder_.path().native());
    chooseDepth(0);
    const std::wstring quickSummary = windowText(window_->control(IDC_DATASET_SUMMARY));

    typeInto(IDC_MODEL_SIZE, L"1000");
    EXPECT_EQ(window_->setup().modelGB(), 1000.0);
    EXPECT_NE(windowText(window_->control(IDC_TARGET_LINE)).find(L"GiB free"), std::wstring::npos);

    const struct {
        const wchar_t* text;
        const char* message;
    } refused[] = {{L"1000.05", kModelSizeRangeMessage},
                   {L".05", kModelSizeRangeMessage},
                   {L"abc", kIncompleteModelSizeMessage},
                   {L"", kIncompleteModelSizeMessage}};
    for (const auto& c : refused) {
        typeInto(IDC_MODEL_SIZE, L"70");
        typeInto(IDC_MODEL_SIZE, c.text);
        EXPECT_EQ(windowText(window_->control(IDC_TARGET_LINE)), fromUtf8(c.message)) << c.text;
        EXPECT_EQ(window_->setup().modelGB(), 70.0) << "the last valid size stays";
        chooseDepth(2);  // with an invalid size the summary stays as it was
        EXPECT_EQ(windowText(window_->control(IDC_DATASET_SUMMARY)), quickSummary) << c.text;
        EXPECT_EQ(windowText(window_->control(IDC_TARGET_LINE)), fromUtf8(c.message)) << c.text;
        EXPECT_THROW(window_->setup().readRunOptions(), std::runtime_error);
        chooseDepth(0);
    }
    // A long pasted text is refused with a message as well.
    typeInto(IDC_MODEL_SIZE, std::wstring(30000, L'9'));
    EXPECT_EQ(windowText(window_->control(IDC_TARGET_LINE)), fromUtf8(kUnreadableModelSizeMessage));
}

TEST_F(MainWindowTest, ArrowsStepFromTheLastValidSizeAndStopAtBothEnds) {
    typeInto(IDC_MODEL_SIZE, L"abc");
    EXPECT_EQ(pressArrow(1), 1);
    EXPECT_EQ(windowText(control(IDC_MODEL_SIZE)), L"6.7");
    EXPECT_DOUBLE_EQ(window_->setup().modelGB(), 6.7);

    typeInto(IDC_MODEL_SIZE, L"1000");
    pressArrow(1);
    EXPECT_EQ(windowText(control(IDC_MODEL_SIZE)), L"1000.0");
    typeInto(IDC_MODEL_SIZE, L"0.1");
    pressArrow(-1);
    EXPECT_EQ(windowText(control(IDC_MODEL_SIZE)), L"0.1");
    pressArrow(-1);
    EXPECT_EQ(windowText(control(IDC_MODEL_SIZE)), L"0.1");
    EXPECT_EQ(SendMessageW(control(IDC_MODEL_SPIN), UDM_GETPOS32, 0, 0), 66)
        << "the control's own position is never used";

    window_->setActivity(WindowActivity::Running);
    EXPECT_EQ(pressArrow(1), 1);
    EXPECT_EQ(windowText(control(IDC_MODEL_SIZE)), L"0.1") << "refused while busy";
    window_->setActivity(WindowActivity::Idle);
}

TEST_F(MainWindowTest, EachActivityEnablesWhatTheRuleAllows) {
    for (WindowActivity activity : {WindowActivity::Running, WindowActivity::Loading,
                                    WindowActivity::Elevating, WindowActivity::Idle}) {
        window_->setActivity(activity);
        EXPECT_EQ(enabledIds(), enabledControls({activity, false, false}))
            << static_cast<int>(activity);
    }
    window_->setActivity(WindowActivity::Running);
    window_->runControl().requestCancel();
    EXPECT_EQ(enabledIds(), std::set<int>{}) << "Cancel is pressed once";
    window_->setActivity(WindowActivity::Idle);
}

TEST_F(MainWindowTest, WideningMovesOnlyBrowseAndWidensTheListedControls) {
    std::vector<PixelRect> before;
    for (std::size_t i = 0; i < std::size(kExpected); ++i)
        before.push_back(rectInParent(at(i)));
    const int column1 = ListView_GetColumnWidth(window_->control(IDC_COMPARISON), 1);
    const int column2 = ListView_GetColumnWidth(window_->control(IDC_COMPARISON), 2);
    const int clientBefore = clientSize().width;

    RECT outer{};
    GetWindowRect(hwnd_, &outer);
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left + 200, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_EQ(clientSize().width, clientBefore + 200);

    for (std::size_t i = 0; i < before.size(); ++i) {
        PixelRect expected = before[i];
        if (i == kBrowseIndex)
            expected.x += 200;
        if (kWidened.count(i))
            expected.width += 200;
        EXPECT_EQ(rectInParent(at(i)), expected) << i;
    }
    EXPECT_EQ(ListView_GetColumnWidth(window_->control(IDC_COMPARISON), 1), column1 + 200);
    EXPECT_EQ(ListView_GetColumnWidth(window_->control(IDC_COMPARISON), 2), column2);
}

TEST_F(MainWindowTest, DpiChangeTo144ScalesEveryRectangleByOneAndAHalf) {
    RECT suggested{100, 50, 100 + 1440, 50 + 1152};
    AdjustWindowRectExForDpi(&suggested, WS_OVERLAPPEDWINDOW, FALSE, 0, 144);
    SendMessageW(hwnd_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window_->dpi(), 144u);
    const PixelSize client = clientSize();
    // Wine keeps 96-DPI frame metrics while AdjustWindowRectExForDpi scales them: a few pixels.
    EXPECT_NEAR(client.height, 1152, 16);
    EXPECT_GE(client.width, 1440);
    for (std::size_t i = 0; i < std::size(kExpected); ++i)
        EXPECT_EQ(rectInParent(at(i)), expectedRect(i, 1.5, client, at(i))) << i;
    EXPECT_EQ(ListView_GetColumnWidth(window_->control(IDC_COMPARISON), 1),
              390 + client.width - 1440);
    EXPECT_EQ(ListView_GetColumnWidth(window_->control(IDC_COMPARISON), 0), 83);
    LOGFONTW font{};
    GetObjectW(window_->bodyFont(), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -23);
    // The dots keep the size they were made with.
    int side = 0, height = 0;
    ImageList_GetIconSize(window_->comparison().statusDots(), &side, &height);
    EXPECT_EQ(side, 16);
}

TEST_F(MainWindowTest, ClosingWhileBusyWaitsForTheWorkToEnd) {
    window_->setActivity(WindowActivity::Formatting);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd_));
    EXPECT_TRUE(window_->closing());
    EXPECT_FALSE(window_->runControl().cancelRequested()) << "a format is never cancelled";
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)),
              L"Waiting for formatting to finish before closing...");

    window_->setActivity(WindowActivity::Running);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(hwnd_));
    EXPECT_TRUE(window_->runControl().cancelRequested());
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)),
              L"Finishing current I/O and cleanup before closing...");

    window_->setActivity(WindowActivity::Idle);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd_));
    EXPECT_EQ(window_->handle(), nullptr);
}

TEST_F(MainWindowTest, BrowseAsksThroughTheSeamAndTakesTheChosenFolder) {
    services_.folderAnswers.push_back(folder_.path());
    services_.folderAnswers.push_back(std::nullopt);
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(IDC_BROWSE)));
    ASSERT_EQ(services_.folderDialogTitles.size(), 1u);
    EXPECT_EQ(services_.folderDialogTitles[0], L"Select a folder on the drive to test");
    EXPECT_EQ(windowText(control(IDC_FOLDER)), folder_.path().native());
    EXPECT_NE(windowText(window_->control(IDC_TARGET_LINE)).find(L"GiB free"), std::wstring::npos);

    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(IDC_BROWSE)));
    EXPECT_EQ(windowText(control(IDC_FOLDER)), folder_.path().native()) << "cancel changes nothing";
    EXPECT_TRUE(services_.messages.empty());
}

TEST_F(MainWindowTest, ChoosingADriveFillsTheFolder) {
    const std::vector<std::wstring> roots = driveRoots();
    ASSERT_EQ(static_cast<std::size_t>(SendMessageW(control(IDC_DRIVES), CB_GETCOUNT, 0, 0)),
              roots.size());
    if (roots.empty())
        GTEST_SKIP() << "this system offers no local drive";
    const int last = static_cast<int>(roots.size()) - 1;
    SendMessageW(control(IDC_DRIVES), CB_SETCURSEL, static_cast<WPARAM>(last), 0);
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_DRIVES, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control(IDC_DRIVES)));
    EXPECT_EQ(windowText(control(IDC_FOLDER)), roots.back());
    EXPECT_EQ(SendMessageW(control(IDC_DRIVES), CB_GETCURSEL, 0, 0), last);
    wchar_t entry[512] = {};
    SendMessageW(control(IDC_DRIVES), CB_GETLBTEXT, static_cast<WPARAM>(last),
                 reinterpret_cast<LPARAM>(entry));
    EXPECT_EQ(std::wstring(entry).rfind(roots.back() + L"  ", 0), 0u) << entry;
}

TEST_F(MainWindowTest, ControlColoursFollowHighContrast) {
    const HDC dc = GetDC(hwnd_);
    const auto brushFor = [&](UINT message, HWND control) {
        return reinterpret_cast<HBRUSH>(SendMessageW(hwnd_, message, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(control)));
    };
    window_->overrideHighContrast(false);
    EXPECT_EQ(brushFor(WM_CTLCOLORSTATIC, at(0)), window_->backgroundBrush());
    EXPECT_EQ(GetTextColor(dc), RGB(30, 48, 65));
    EXPECT_EQ(GetBkColor(dc), RGB(245, 247, 250));
    EXPECT_EQ(brushFor(WM_CTLCOLOREDIT, control(IDC_FOLDER)), window_->whiteBrush());
    // The read-only details box asks as a static control and stays white.
    EXPECT_EQ(brushFor(WM_CTLCOLORSTATIC, window_->control(IDC_DETAILS)), window_->whiteBrush());
    EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));

    window_->overrideHighContrast(true);
    for (HWND control : {at(0), window_->control(IDC_DETAILS), control(IDC_FOLDER)}) {
        EXPECT_EQ(brushFor(WM_CTLCOLORSTATIC, control), GetSysColorBrush(COLOR_WINDOW));
        EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
        EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW));
    }
    ReleaseDC(hwnd_, dc);
}

TEST_F(MainWindowTest, TheWindowOwnsTheStatusDotsUntilItIsReleased) {
    const HIMAGELIST dots = window_->comparison().statusDots();
    DestroyWindow(hwnd_);
    // The list view must not have destroyed the image list the window still owns.
    EXPECT_EQ(ImageList_GetImageCount(dots), 3);
}

class ComparisonTableTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        window_->comparison().addRows(orvane::testing::loadSampleReports());
    }
    HWND list() const { return window_->control(IDC_COMPARISON); }
    std::wstring cell(int row, int column) const {
        return orvane::testing::listCellText(list(), row, column);
    }
    int imageOf(int row, int column) const {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = column;
        ListView_GetItem(list(), &item);
        return item.iImage;
    }
    std::vector<std::wstring> columnTexts(int column) const {
        std::vector<std::wstring> texts;
        for (int row = 0; row < ListView_GetItemCount(list()); ++row)
            texts.push_back(cell(row, column));
        return texts;
    }
    int rowNamed(const std::wstring& prefix) const {
        for (int row = 0; row < ListView_GetItemCount(list()); ++row) {
            if (cell(row, 1).rfind(prefix, 0) == 0)
                return row;
        }
        return -1;
    }
    int sortArrow(int column) const {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(ListView_GetHeader(list()), column, &item);
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    }
    void clickColumn(int column) {
        NMLISTVIEW click{};
        click.hdr.hwndFrom = list();
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(hwnd_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    }
    void select(int row) {
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
    int selectedRow() const { return ListView_GetNextItem(list(), -1, LVNI_SELECTED); }
};

TEST_F(ComparisonTableTest, RowsAreRankedWithDotsOnTheDriveColumn) {
    ASSERT_EQ(ListView_GetItemCount(list()), 4);
    EXPECT_EQ(columnTexts(0), (std::vector<std::wstring>{L"1", L"2", L"3", L"4"}));
    EXPECT_EQ(columnTexts(1), (std::vector<std::wstring>{
                                  L"USB SSD 1TB - Suitable", L"SD card 128GB - Caution",
                                  L"Cancelled run - Caution", L"Old USB stick - Not recommended"}));
    EXPECT_EQ(cell(1, 2), L"127.9 GB");
    EXPECT_EQ(cell(1, 6), L"71.1");
    EXPECT_EQ(cell(1, 10), L"Quick");
    const std::vector<int> levels{0, 1, 1, 2};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(imageOf(row, 1), levels[static_cast<std::size_t>(row)]) << row;
        EXPECT_EQ(imageOf(row, 0), I_IMAGENONE) << row;
    }
    EXPECT_EQ(sortArrow(0), HDF_SORTUP);
    for (int column = 1; column < 12; ++column)
        EXPECT_EQ(sortArrow(column), 0) << column;
    // Nothing is selected yet: the details keep the guidance text.
    EXPECT_EQ(windowText(window_->control(IDC_DETAILS)), fromUtf8(storageGuidancePolicyText()));
}

TEST_F(ComparisonTableTest, ColumnClicksSortAndFlipTheArrow) {
    clickColumn(2);  // Capacity, ascending
    EXPECT_EQ(columnTexts(2),
              (std::vector<std::wstring>{L"15.5 GB", L"127.9 GB", L"1000.2 GB", L"2000.4 GB"}));
    EXPECT_EQ(sortArrow(2), HDF_SORTUP);
    EXPECT_EQ(sortArrow(0), 0);
    clickColumn(2);  // the same column again: descending
    EXPECT_EQ(columnTexts(2),
              (std::vector<std::wstring>{L"2000.4 GB", L"1000.2 GB", L"127.9 GB", L"15.5 GB"}));
    EXPECT_EQ(sortArrow(2), HDF_SORTDOWN);
    EXPECT_EQ(columnTexts(0), (std::vector<std::wstring>{L"3", L"1", L"2", L"4"}))
        << "ranks stay with their rows";
    clickColumn(6);  // another column starts ascending; unknown read times go last
    EXPECT_EQ(sortArrow(6), HDF_SORTUP);
    EXPECT_EQ(sortArrow(2), 0);
    EXPECT_EQ(columnTexts(6), (std::vector<std::wstring>{L"15.3", L"71.1", L"203.0", L"--"}));
    clickColumn(6);
    EXPECT_EQ(columnTexts(6), (std::vector<std::wstring>{L"203.0", L"71.1", L"15.3", L"--"}));
}

TEST_F(ComparisonTableTest, SelectionAndDetailsSurviveAModelSizeChange) {
    typeInto(IDC_FOLDER, folder_.path().native());
    select(rowNamed(L"SD card"));
    ASSERT_TRUE(window_->comparison().selectedRun().has_value());
    std::wstring details = windowText(window_->control(IDC_DETAILS));
    EXPECT_EQ(details.rfind(L"SD card 128GB - Caution\r\n", 0), 0u) << details;
    EXPECT_NE(details.find(L"| Comparison: 6.6 GB | Model read: 71.1 s\r\n"), std::wstring::npos);

    typeInto(IDC_MODEL_SIZE, L"70");  // re-rated: 70 GB no longer fits the card
    EXPECT_EQ(selectedRow(), rowNamed(L"SD card"));
    details = windowText(window_->control(IDC_DETAILS));
    EXPECT_EQ(details.rfind(L"SD card 128GB - ", 0), 0u) << details;
    EXPECT_NE(details.find(L"| Comparison: 70.0 GB | Model read: 754.3 s\r\n"), std::wstring::npos)
        << details;

    clickColumn(1);  // a re-sort keeps the same run selected as well
    EXPECT_EQ(selectedRow(), rowNamed(L"SD card"));
    typeInto(IDC_MODEL_SIZE, L"abc");  // an invalid size changes nothing in the table
    EXPECT_EQ(selectedRow(), rowNamed(L"SD card"));
    EXPECT_NE(windowText(window_->control(IDC_DETAILS)).find(L"Comparison: 70.0 GB"),
              std::wstring::npos);
}

TEST_F(ComparisonTableTest, UnknownAllocationAndReadTimeShowAsDashesAndUnknown) {
    const int row = rowNamed(L"Cancelled run");
    ASSERT_GE(row, 0);
    EXPECT_EQ(cell(row, 3), L"--");
    EXPECT_EQ(cell(row, 6), L"--");
    select(row);
    const std::wstring details = windowText(window_->control(IDC_DETAILS));
    EXPECT_NE(details.find(L"| Model read: unknown\r\n"), std::wstring::npos) << details;
    EXPECT_NE(details.find(L"NTFS | Allocation: 0.0 KiB | Recorded free: 900.0 GB\r\n"),
              std::wstring::npos)
        << details;
}

TEST_F(ComparisonTableTest, TheSameRunReplacesItsRowInsteadOfAddingOne) {
    SavedReport again = orvane::testing::loadSampleReport(orvane::testing::kCautionSample);
    again.displayName = "SD card again";
    window_->comparison().addRows({again});
    EXPECT_EQ(ListView_GetItemCount(list()), 4);
    EXPECT_GE(rowNamed(L"SD card again - Caution"), 0);
    EXPECT_EQ(rowNamed(L"SD card 128GB"), -1);
}

}  // namespace
}  // namespace orvane
