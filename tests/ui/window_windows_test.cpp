// The real main window in this process (Wine's null graphics driver), driven through its messages
// and a scripted desktop seam: each control reaching its rule, the real worker and loader threads,
// cancel and close, and the format flow with the disk review answered by the test.

#include "platform/windows_api.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <commctrl.h>
#include <objbase.h>
#include <wincrypt.h>

#include "engine/benchmark_run.h"
#include "format/format_command.h"
#include "format/format_target_queries.h"
#include "format/format_target_rules.h"
#include "format/format_verification.h"
#include "platform/text_encoding.h"
#include "platform/unique_handle_windows.h"
#include "reports/report_csv_writer.h"
#include "reports/report_import.h"
#include "reports/results_folder_loader.h"
#include "reports/suggested_report_name.h"
#include "storage/target_rules.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/sample_reports.h"
#include "tests/support/temp_folder.h"
#include "ui/control_enabling.h"
#include "ui/desktop_services_windows.h"
#include "ui/format_dialog_data.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/posted_messages_windows.h"
#include "ui/setup_form.h"
#include "ui/window_text_windows.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using orvane::testing::readWholeFile;
using orvane::testing::snapshotFolder;
using orvane::testing::writeWholeFile;

template <typename T>
T take(std::deque<T>& answers, T otherwise = T()) {
    if (answers.empty())
        return otherwise;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

struct Box {
    std::wstring text, title;
    UINT type;
};
struct Launch {
    fs::path program;
    std::wstring parameters;
    fs::path directory;
};

// The person at the desk: answers each dialog from a script (cancel when none is left).
class ScriptedServices final : public DesktopServices {
  public:
    std::vector<Box> messages;
    std::deque<int> messageAnswers;
    std::deque<std::optional<fs::path>> folderAnswers, saveAnswers;
    std::deque<std::vector<fs::path>> openAnswers;
    std::vector<SaveFileRequest> saveRequests;
    std::vector<fs::path> openedFolders;
    std::vector<FormatDialogData> formatDialogs;
    std::deque<std::function<INT_PTR(FormatDialogData&)>> formatAnswers;
    std::vector<Launch> launches;
    std::function<ElevatedStart()> elevated;  // none: the person declines

    int showMessageBox(HWND, const std::wstring& text, const std::wstring& title,
                       UINT type) override {
        messages.push_back({text, title, type});
        return take(messageAnswers, IDOK);
    }
    std::optional<fs::path> chooseFolder(HWND, const std::wstring&) override {
        return take(folderAnswers);
    }
    std::vector<fs::path> chooseFilesToOpen(HWND, const std::wstring&, const std::wstring&,
                                            const std::wstring&) override {
        return take(openAnswers);
    }
    std::optional<fs::path> chooseSaveFile(HWND, const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        return take(saveAnswers);
    }
    void openFolder(HWND, const fs::path& folder) override { openedFolders.push_back(folder); }
    INT_PTR showFormatDialog(HWND, FormatDialogData& data) override {
        formatDialogs.push_back(data);
        auto answer = take(formatAnswers);
        return answer ? answer(data) : IDCANCEL;
    }
    ElevatedStart launchElevated(HWND, const fs::path& program, const std::wstring& parameters,
                                 const fs::path& directory) override {
        launches.push_back({program, parameters, directory});
        return elevated ? elevated() : ElevatedStart();
    }
};

// The disk review (Wine fails the real queries): each answer gives a target or throws.
class ScriptedQueries final : public FormatTargetQueries {
  public:
    std::deque<std::function<FormatTarget()>> answers;
    std::vector<fs::path> reviewed;
    FormatTarget review(const fs::path& folder) override {
        reviewed.push_back(folder);
        auto answer = take(answers);
        if (!answer)
            throw std::runtime_error("no review was expected");
        return answer();
    }
    void recheck(const FormatTarget& saved) override {
        requireSameFormatTarget(saved, review(fs::path(saved.volume.root)));
    }
    void answer(const FormatTarget& target) {
        answers.push_back([target] { return target; });
    }
};

FormatTarget stick() {
    FormatTarget t;
    t.volume = {};
    t.volume.root = L"E:\\";
    t.volume.label = L"STICK";
    t.volume.filesystem = L"FAT32";
    t.volume.totalBytes = 30000ull << 20;
    t.volume.allocationUnitBytes = 32768;
    t.volumePath = L"\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\";
    t.volumeSerial = 0xDEADBEEF;
    t.diskNumber = 3;
    t.busType = kBusUsb;
    t.deviceSerial = L"4C530001230517117073";
    t.partitionId = L"{01234567-89AB-CDEF-0123-456789ABCDEF}";
    t.partitionOffset = 16ull << 20;
    t.partitionLength = 30001ull << 20;
    t.diskBytes = 30720ull << 20;
    t.partitionNumber = 1;
    t.partitionStyle = kPartitionStyleGpt;
    return t;
}

// What the review finds after Windows formatted the stick.
FormatTarget formatted(const std::wstring& label, std::uint64_t allocation) {
    FormatTarget t = stick();
    t.volumeSerial = 0x1234ABCD;
    t.volume.label = label;
    t.volume.filesystem = L"exFAT";
    t.volume.allocationUnitBytes = allocation;
    return t;
}

// A real process ending with the given code, standing in for the elevated script.
UniqueKernelHandle exitingWith(int code) {
    std::wstring command = L"cmd.exe /c exit " + std::to_wstring(code);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        throw std::runtime_error("cannot start cmd.exe");
    CloseHandle(process.hThread);
    return UniqueKernelHandle(process.hProcess);
}

std::wstring decodedScript(const std::wstring& parameters) {
    const std::wstring base64 = parameters.substr(std::string(kPowerShellOptions).size());
    DWORD size = 0;
    CryptStringToBinaryW(base64.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr);
    std::wstring text(size / 2, L'\0');
    CryptStringToBinaryW(base64.c_str(), 0, CRYPT_STRING_BASE64,
                         reinterpret_cast<BYTE*>(text.data()), &size, nullptr, nullptr);
    return text;
}

// What the window received, seen before its own handler takes the record.
struct Observed {
    std::vector<Progress> notices;
    std::wstring statusBeforeLastNotice;
    std::size_t rowsWhenDestroyed = 0;
    bool destroyed = false;
    MainWindow* window = nullptr;
};

LRESULT CALLBACK observe(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                         DWORD_PTR data) {
    auto& seen = *reinterpret_cast<Observed*>(data);
    if (message == WM_APP_PROGRESS) {
        seen.notices.push_back(*reinterpret_cast<const Progress*>(lParam));
        seen.statusBeforeLastNotice = windowText(seen.window->control(IDC_STATUS));
    }
    if (message == WM_DESTROY) {
        seen.destroyed = true;
        seen.rowsWhenDestroyed = seen.window->comparison().reports().size();
    }
    if (message == WM_GETMINMAXINFO) {  // let the window grow past the 1024-pixel display
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = {8000, 8000};
        return result;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

constexpr wchar_t kWriteNotice[] =
    L"Writing model-sized data (cache bypass requested, durable flush)...";
constexpr wchar_t kCannotFormat[] = L"Orvane Varnolt - Cannot format";
constexpr wchar_t kClosingRun[] = L"Finishing current I/O and cleanup before closing...";

// A real run of the platform's files, small enough for every test.
RunResult shortRun(const RunOptions& options, const std::atomic<bool>& cancel,
                   const ProgressCallback& progress) {
    RunOptions small = options;
    small.testBytes = 16ull << 20;
    small.randomSecondsPerPhase = 0.1;
    small.smallFiles = 4;
    return runBenchmark(small, cancel, progress);
}

// Holds still in the sequential write until cancelled, so a test can act at that point.
RunResult heldRun(const RunOptions& options, const std::atomic<bool>& cancel,
                  const ProgressCallback& progress) {
    return shortRun(options, cancel, [&](const Progress& notice) {
        progress(notice);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (fromUtf8(notice.message) == kWriteNotice && !cancel.load() &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
}

std::thread refuseThread(std::function<void()>) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "No thread for the test");
}

BackgroundWork running(RunFunction run, bool noThread = false) {
    BackgroundWork work = BackgroundWork::product();
    work.run = std::move(run);
    if (noThread)
        work.startThread = refuseThread;
    return work;
}

const std::set<int> kIdle = enabledControls({WindowActivity::Idle, false, false});

class WindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        INITCOMMONCONTROLSEX controls{sizeof(controls),
                                      ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }
    void SetUp() override { fs::create_directories(drive()); }
    void TearDown() override {
        if (window_ && window_->handle() != nullptr)
            window_->runControl().requestCancel();  // whatever a failed test left running
        window_.reset();
    }

    fs::path results() const { return home_.path() / "results"; }
    fs::path drive() const { return home_.path() / "drive"; }

    // The window; its start-up load is done when idle, else still queued.
    void open(BackgroundWork work = BackgroundWork::product(), bool idle = true) {
        window_ = std::make_unique<MainWindow>(services_, results());
        window_->setBackgroundWork(std::move(work));
        window_->formatFlow().useQueries(queries_);
        ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr)));
        hwnd_ = window_->handle();
        seen_.window = window_.get();
        SetWindowSubclass(hwnd_, observe, 1, reinterpret_cast<DWORD_PTR>(&seen_));
        if (idle) {
            ASSERT_TRUE(pump([&] { return !window_->busy(); }));
        }
    }
    // Runs the start-up load's message now, to see the window while it loads.
    void beginStartUpLoad() {
        MSG posted{};
        ASSERT_TRUE(PeekMessageW(&posted, hwnd_, WM_APP_LOAD_SAVED_REPORTS,
                                 WM_APP_LOAD_SAVED_REPORTS, PM_REMOVE));
        SendMessageW(hwnd_, WM_APP_LOAD_SAVED_REPORTS, 0, 0);
    }
    // Runs the thread's messages until done() holds.
    static bool pump(const std::function<bool()>& done, int seconds = 120) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (MSG message{};;) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (done())
                return true;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }

    HWND control(int id) const { return window_->control(id); }
    std::wstring text(int id) const { return windowText(control(id)); }
    void type(int id, const std::wstring& value) { SetWindowTextW(control(id), value.c_str()); }
    void command(int id, int code = BN_CLICKED) {
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(control(id)));
    }
    void pick(int id, int index) {
        SendMessageW(control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        command(id, CBN_SELCHANGE);
    }
    LRESULT arrow(int delta) {
        NMUPDOWN change{{control(IDC_MODEL_SPIN), IDC_MODEL_SPIN, UDN_DELTAPOS}, 0, delta};
        return SendMessageW(hwnd_, WM_NOTIFY, IDC_MODEL_SPIN, reinterpret_cast<LPARAM>(&change));
    }
    std::set<int> enabled() const {
        std::set<int> ids;
        for (int id : kCommandControlIds)
            if (IsWindowEnabled(control(id)))
                ids.insert(id);
        return ids;
    }
    bool runFinished() const { return !window_->busy() && window_->runControl().currentResult(); }
    void startRun(int depth = 0) {
        type(IDC_FOLDER, drive().native());
        SendMessageW(control(IDC_DEPTH), CB_SETCURSEL, static_cast<WPARAM>(depth), 0);
        command(IDC_START);
    }
    HWND list() const { return control(IDC_COMPARISON); }
    int rows() const { return ListView_GetItemCount(list()); }
    std::wstring cell(int row, int column) const {
        wchar_t value[512] = {};
        ListView_GetItemText(list(), row, column, value, 512);
        return value;
    }
    std::vector<std::wstring> column(int c) const {
        std::vector<std::wstring> texts;
        for (int row = 0; row < rows(); ++row)
            texts.push_back(cell(row, c));
        return texts;
    }
    int selectedRow() const { return ListView_GetNextItem(list(), -1, LVNI_SELECTED); }
    int sortArrow(int c) const {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(ListView_GetHeader(list()), c, &item);
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    }
    void clickColumn(int c) {
        NMLISTVIEW click{};
        click.hdr = {list(), 0, LVN_COLUMNCLICK};
        click.iItem = -1;
        click.iSubItem = c;
        SendMessageW(hwnd_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    }
    std::string sample(const char* name) const {
        return readWholeFile(orvane::testing::sampleReportsFolder() / name);
    }
    // Review, dialog answered with the name and allocation, re-check, launch.
    void format(std::function<ElevatedStart()> process, const std::wstring& label = L"MODELS",
                std::uint32_t cluster = 131072, const FormatTarget& reviewed = stick(),
                const FormatTarget& rechecked = stick()) {
        queries_.answer(reviewed);
        queries_.answer(rechecked);
        services_.formatAnswers.push_back([label, cluster](FormatDialogData& data) {
            data.label = label;
            data.clusterBytes = cluster;
            return IDOK;
        });
        services_.elevated = std::move(process);
        command(IDC_FORMAT);
    }
    bool formatting() const { return window_->activity() == WindowActivity::Formatting; }
    void expectIdle() {
        EXPECT_FALSE(window_->busy());
        EXPECT_EQ(enabled().count(IDC_FORMAT) + enabled().count(IDC_START), 2u);
    }

    orvane::testing::TempFolder home_;
    ScriptedServices services_;
    ScriptedQueries queries_;
    Observed seen_;
    std::unique_ptr<MainWindow> window_;
    HWND hwnd_ = nullptr;
};

TEST_F(WindowTest, StartsWithTabOrderStylesDepthsSpinColumnsAndDots) {
    open(BackgroundWork::product(), false);
    std::vector<int> ids;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(child));
    EXPECT_EQ(ids, (std::vector<int>{IDC_FOLDER_LABEL, IDC_FOLDER,         IDC_BROWSE,
                                     IDC_DRIVES,       IDC_REFRESH_DRIVES, IDC_FORMAT,
                                     IDC_TARGET_LINE,  IDC_DEPTH_LABEL,    IDC_MODEL_SIZE_LABEL,
                                     IDC_DEPTH,        IDC_MODEL_SIZE,     IDC_MODEL_SPIN,
                                     IDC_START,        IDC_CANCEL,         IDC_DATASET_SUMMARY,
                                     IDC_SAFETY_NOTE,  IDC_PROGRESS,       IDC_STATUS,
                                     IDC_COMPARISON,   IDC_IMPORT,         IDC_OPEN_RESULTS,
                                     IDC_SAVE_JSON,    IDC_SAVE_CSV,       IDC_DETAILS}));
    const auto style = [&](int id) { return GetWindowLongPtrW(control(id), GWL_STYLE); };
    EXPECT_TRUE(style(IDC_START) & BS_DEFPUSHBUTTON);
    EXPECT_TRUE(style(IDC_DETAILS) & ES_READONLY);
    EXPECT_TRUE(style(IDC_COMPARISON) & LVS_SHOWSELALWAYS);
    EXPECT_EQ(SendMessageW(control(IDC_DEPTH), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(control(IDC_DEPTH), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(control(IDC_MODEL_SPIN), UDM_GETBUDDY, 0, 0)),
              control(IDC_MODEL_SIZE));
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list())), 12);
    EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(list(), LVSIL_SMALL)), 3);
    EXPECT_EQ(enabled(), kIdle);
    EXPECT_NE(window_->icon(), nullptr) << "icon 101 is linked into the program";
    EXPECT_EQ(text(IDC_TARGET_LINE), L"Choose a drive or folder to inspect its available space.");
    // Tab and Shift+Tab leave the read-only details box like any other control.
    MSG tab{control(IDC_DETAILS), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_EQ(SendMessageW(tab.hwnd, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) &
                  (DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE),
              0);
    // Closing an idle window destroys it; the dots stay with the window, not the list.
    const HIMAGELIST dots = window_->comparison().statusDots();
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd_));
    EXPECT_EQ(ImageList_GetImageCount(dots), 3);
}

TEST_F(WindowTest, FolderDepthAndModelSizeReachTheirRulesAndShowTheResult) {
    open();
    type(IDC_FOLDER, L"\\\\server\\share\\models");  // refused by its form at once
    EXPECT_EQ(text(IDC_TARGET_LINE), fromUtf8(kLocalPathMessage));
    type(IDC_FOLDER, drive().native());  // inspected once typing pauses
    EXPECT_EQ(text(IDC_TARGET_LINE), fromUtf8(kLocalPathMessage));
    ASSERT_TRUE(pump([&] { return text(IDC_TARGET_LINE) != fromUtf8(kLocalPathMessage); }, 5));
    EXPECT_EQ(text(IDC_TARGET_LINE).substr(1, 4), L":\\  ") << text(IDC_TARGET_LINE);
    type(IDC_FOLDER, (drive() / L"missing").native());
    EXPECT_TRUE(
        pump([&] { return text(IDC_TARGET_LINE) == fromUtf8(kChooseExistingFolderMessage); }, 5));

    pick(IDC_DEPTH, 2);
    EXPECT_EQ(text(IDC_DATASET_SUMMARY),
              fromUtf8(datasetSummaryText(window_->setup().readRunOptions())));
    EXPECT_EQ(window_->setup().readRunOptions().testBytes, testDepths()[2].testBytes);

    type(IDC_MODEL_SIZE, L"1000.05");
    EXPECT_EQ(text(IDC_TARGET_LINE), fromUtf8(kModelSizeRangeMessage));
    EXPECT_EQ(arrow(1), 1);  // from the last valid size
    EXPECT_EQ(text(IDC_MODEL_SIZE), L"6.7");
    EXPECT_DOUBLE_EQ(window_->setup().modelGB(), 6.7);
    window_->setActivity(WindowActivity::Running);
    EXPECT_EQ(arrow(1), 1);
    EXPECT_EQ(text(IDC_MODEL_SIZE), L"6.7") << "refused while busy";
    window_->setActivity(WindowActivity::Idle);
}

TEST_F(WindowTest, BrowseAndTheDriveListFillTheFolder) {
    open();
    services_.folderAnswers = {drive(), std::nullopt};
    command(IDC_BROWSE);
    EXPECT_EQ(text(IDC_FOLDER), drive().native());
    command(IDC_BROWSE);
    EXPECT_EQ(text(IDC_FOLDER), drive().native()) << "cancel changes nothing";
    const std::vector<DriveEntry>& drives = window_->setup().drives();
    ASSERT_EQ(SendMessageW(control(IDC_DRIVES), CB_GETCOUNT, 0, 0),
              static_cast<LRESULT>(drives.size()));
    for (std::size_t i = drives.size(); i-- > 0;) {  // down to the first entry
        pick(IDC_DRIVES, static_cast<int>(i));
        EXPECT_EQ(text(IDC_FOLDER), drives[i].root);
    }
}

TEST_F(WindowTest, ActivityEnablingColoursAndDpiReachTheControls) {
    open();
    for (WindowActivity activity : {WindowActivity::Running, WindowActivity::Loading,
                                    WindowActivity::Elevating, WindowActivity::Idle}) {
        window_->setActivity(activity);
        EXPECT_EQ(enabled(), enabledControls({activity, false, false})) << int(activity);
    }
    const HDC dc = GetDC(hwnd_);
    const auto brush = [&](UINT message, int id) {
        return reinterpret_cast<HBRUSH>(SendMessageW(hwnd_, message, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(control(id))));
    };
    window_->overrideHighContrast(false);
    EXPECT_EQ(brush(WM_CTLCOLORSTATIC, IDC_STATUS), window_->backgroundBrush());
    EXPECT_EQ(GetBkColor(dc), RGB(245, 247, 250));
    for (int id : {IDC_FOLDER, IDC_MODEL_SIZE, IDC_DETAILS}) {
        EXPECT_EQ(brush(WM_CTLCOLORSTATIC, id), window_->whiteBrush()) << id;
        EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
    }
    EXPECT_EQ(brush(WM_CTLCOLOREDIT, IDC_STATUS), window_->whiteBrush());
    window_->overrideHighContrast(true);
    EXPECT_EQ(brush(WM_CTLCOLORSTATIC, IDC_FOLDER), GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
    ReleaseDC(hwnd_, dc);

    RECT suggested{100, 50, 100 + 1440, 50 + 1152};
    AdjustWindowRectExForDpi(&suggested, WS_OVERLAPPEDWINDOW, FALSE, 0, 144);
    SendMessageW(hwnd_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT client{}, browse{};
    GetClientRect(hwnd_, &client);
    ASSERT_GE(client.right, 1440);
    GetWindowRect(control(IDC_BROWSE), &browse);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&browse), 2);
    EXPECT_EQ(browse.left, 1248 + client.right - 1440);  // 832 * 1.5, following the right edge
    EXPECT_EQ(browse.bottom - browse.top, 50);
    EXPECT_EQ(ListView_GetColumnWidth(list(), 1), 390 + client.right - 1440);
    LOGFONTW font{};
    GetObjectW(window_->bodyFont(), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -23);
}

TEST_F(WindowTest, TheTableRanksSortsSelectsAndRerates) {
    open();
    window_->comparison().addRows(orvane::testing::loadSampleReports());
    EXPECT_EQ(column(0), (std::vector<std::wstring>{L"1", L"2", L"3", L"4"}));
    EXPECT_EQ(column(1), (std::vector<std::wstring>{
                             L"USB SSD 1TB - Suitable", L"SD card 128GB - Caution",
                             L"Cancelled run - Caution", L"Old USB stick - Not recommended"}));
    for (int row = 0; row < 4; ++row) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = 1;
        ListView_GetItem(list(), &item);
        EXPECT_EQ(item.iImage, std::vector<int>({0, 1, 1, 2})[std::size_t(row)]) << row;
    }
    EXPECT_EQ(sortArrow(0), HDF_SORTUP);
    clickColumn(2);
    clickColumn(2);  // the same column again: descending
    EXPECT_EQ(column(2),
              (std::vector<std::wstring>{L"2000.4 GB", L"1000.2 GB", L"127.9 GB", L"15.5 GB"}));
    EXPECT_EQ(column(0), (std::vector<std::wstring>{L"3", L"1", L"2", L"4"}));
    EXPECT_EQ(sortArrow(2), HDF_SORTDOWN);
    EXPECT_EQ(sortArrow(0), 0);

    const int card = 2;
    ListView_SetItemState(list(), card, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_TRUE(window_->comparison().selectedRun().has_value());
    EXPECT_EQ(text(IDC_DETAILS).rfind(L"SD card 128GB - Caution\r\n", 0), 0u);
    type(IDC_MODEL_SIZE, L"70");  // re-rated and re-sorted, the same run stays selected
    EXPECT_EQ(cell(selectedRow(), 1).rfind(L"SD card 128GB", 0), 0u);
    EXPECT_NE(text(IDC_DETAILS).find(L"| Comparison: 70.0 GB | Model read: 754.3 s\r\n"),
              std::wstring::npos);

    SavedReport again = orvane::testing::loadSampleReport(orvane::testing::kCautionSample);
    again.displayName = "SD card again";
    window_->comparison().addRows({again});  // the same run replaces its row
    EXPECT_EQ(rows(), 4);
    EXPECT_EQ(cell(selectedRow(), 1).rfind(L"SD card again", 0), 0u);
}

TEST_F(WindowTest, AQuickRunEndsRankedSelectedAndOfferedForSaving) {
    open();  // the product's own run: Quick writes 256 MiB
    startRun();
    ASSERT_TRUE(services_.messages.empty()) << toUtf8(services_.messages[0].text);
    EXPECT_EQ(enabled(), std::set<int>{IDC_CANCEL});
    ASSERT_TRUE(pump([&] { return runFinished(); }, 300));

    // Notices in order, never going back, ending at 100 with the status.
    ASSERT_GE(seen_.notices.size(), 5u);
    for (std::size_t i = 1; i < seen_.notices.size(); ++i)
        EXPECT_GE(seen_.notices[i].percent, seen_.notices[i - 1].percent) << i;
    EXPECT_EQ(fromUtf8(seen_.notices.front().message), kWriteNotice);
    EXPECT_EQ(seen_.notices.back().percent, 100);
    EXPECT_EQ(SendMessageW(control(IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(text(IDC_STATUS), L"Completed");
    EXPECT_EQ(enabled(), enabledControls({WindowActivity::Idle, true, false}));
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(selectedRow(), 0);
    EXPECT_EQ(text(IDC_DETAILS).rfind(cell(0, 1) + L"\r\n", 0), 0u);

    ASSERT_EQ(services_.saveRequests.size(), 1u) << "the save dialog opens by itself";
    const RunResult& result = *window_->runControl().currentResult();
    EXPECT_EQ(services_.saveRequests[0].initialFolder, results());
    EXPECT_EQ(services_.saveRequests[0].suggestedName, suggestedReportFileName(result, false));
    const fs::path saved = results() / L"run.json";
    services_.saveAnswers.push_back(saved);
    command(IDC_SAVE_JSON);
    EXPECT_EQ(loadReportFile(saved, true).timestampUtc, result.timestampUtc);
    EXPECT_EQ(text(IDC_STATUS), L"Saved run.json");
    EXPECT_FALSE(fs::exists(result.scratchFolder)) << "the run cleaned up after itself";
}

TEST_F(WindowTest, CancelOrCloseDuringTheWriteEndsTheRunAsCancelled) {
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "close" : "cancel");
        services_ = {};
        seen_ = {};
        open(running(heldRun));
        startRun();
        ASSERT_TRUE(pump([&] { return !seen_.notices.empty(); }));
        const std::size_t notices = seen_.notices.size();
        if (close) {
            SendMessageW(hwnd_, WM_CLOSE, 0, 0);
            SendMessageW(hwnd_, WM_CLOSE, 0, 0);  // twice: nothing more happens
            EXPECT_TRUE(IsWindow(hwnd_));
            EXPECT_EQ(text(IDC_STATUS), kClosingRun);
            ASSERT_TRUE(pump([&] { return seen_.destroyed; }));
            EXPECT_EQ(seen_.rowsWhenDestroyed, 1u) << "the run was in the table first";
        } else {
            command(IDC_CANCEL);
            EXPECT_EQ(enabled(), std::set<int>{});
            EXPECT_EQ(text(IDC_STATUS),
                      L"Cancelling after current I/O, then removing temporary files...");
            ASSERT_TRUE(pump([&] { return runFinished(); }));
            EXPECT_EQ(seen_.statusBeforeLastNotice,
                      L"Cancelling after current I/O, then removing temporary files...");
            EXPECT_EQ(text(IDC_STATUS), L"Cancelled");
            EXPECT_EQ(selectedRow(), 0);
        }
        EXPECT_TRUE(window_->runControl().cancelRequested());
        EXPECT_EQ(seen_.notices.size(), notices + 1) << "the run's own last notice";
        EXPECT_EQ(seen_.notices.back().message, "Cancelled");
        EXPECT_EQ(window_->runControl().currentResult()->status, RunStatus::kCancelled);
        EXPECT_EQ(services_.saveRequests.size(), close ? 0u : 1u);
        EXPECT_TRUE(services_.messages.empty());
    }
}

TEST_F(WindowTest, StartRefusesWithABoxAndStaysIdle) {
    open();
    const struct {
        fs::path folder;
        const wchar_t* modelSize;
        bool noThread;
        std::string message;
    } cases[] = {
        {drive() / "missing", L"6.6", false, kChooseExistingFolderMessage},
        {drive(), L"abc", false, kIncompleteModelSizeMessage},
        {drive(), L"6.6", true, "No thread for the test"},
    };
    for (const auto& c : cases) {
        window_->setBackgroundWork(running(shortRun, c.noThread));
        type(IDC_FOLDER, c.folder.native());
        type(IDC_MODEL_SIZE, c.modelSize);
        services_.messages.clear();
        command(IDC_START);
        ASSERT_EQ(services_.messages.size(), 1u);
        EXPECT_EQ(services_.messages[0].title, L"Cannot start test");
        EXPECT_NE(services_.messages[0].text.find(fromUtf8(c.message)), std::wstring::npos);
        EXPECT_FALSE(window_->busy());
        EXPECT_EQ(enabled(), kIdle);
    }
    EXPECT_EQ(rows(), 0);
}

TEST_F(WindowTest, StartOffersOnceToRemoveAKilledRunsLeftoversAndRunsEitherWay) {
    open(running(shortRun));
    const fs::path leftover = drive() / ".orvane-varnolt-00112233445566778899aabbccddeeff";
    const fs::path decoy = drive() / ".orvane-varnolt-ffeeddccbbaa99887766554433221100";
    fs::create_directories(decoy);
    writeWholeFile(decoy / "thesis.tex", "mine");
    for (const int answer : {IDNO, IDYES}) {
        fs::create_directories(leftover);
        writeWholeFile(leftover / "workload.bin", std::string(1048576, 'x'));
        services_.messages.clear();
        services_.messageAnswers = {answer};
        startRun();
        ASSERT_TRUE(pump([&] { return runFinished(); }, 60)) << "the run goes ahead";
        ASSERT_EQ(services_.messages.size(), 1u) << "asked once, and only for the removable one";
        EXPECT_EQ(services_.messages[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ(fs::exists(leftover), answer == IDNO);
        EXPECT_EQ(readWholeFile(decoy / "thesis.tex"), "mine");
    }
}

TEST_F(WindowTest, ARunWhoseReportCannotBeMadeStaysCurrentAndSaysWhy) {
    open(running([](const RunOptions& options, const std::atomic<bool>& cancel,
                    const ProgressCallback& progress) {
        RunResult result = shortRun(options, cancel, progress);
        result.volume.freeBytesBefore = result.volume.totalBytes + 1;  // the import refuses it
        return result;
    }));
    startRun();
    ASSERT_TRUE(pump([&] { return runFinished(); }));
    EXPECT_EQ(text(IDC_STATUS),
              L"Completed - the report could not be made: Free space exceeds capacity.");
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(services_.saveRequests.empty());
    EXPECT_EQ(enabled(), enabledControls({WindowActivity::Idle, true, false}));
}

TEST_F(WindowTest, StartUpLoadsTheResultsFolderAndNamesTheBadFiles) {
    open(BackgroundWork::product(), false);  // no folder: nothing, quietly, none made
    beginStartUpLoad();
    EXPECT_EQ(enabled(), std::set<int>{}) << "not even Cancel while loading";
    ASSERT_TRUE(pump([&] { return !window_->busy(); }));
    EXPECT_EQ(enabled(), kIdle);
    EXPECT_TRUE(services_.messages.empty());
    EXPECT_FALSE(fs::exists(results()));

    fs::create_directories(results());
    writeWholeFile(results() / "a.json", sample(orvane::testing::kSuitableSample));
    writeWholeFile(results() / "b.JSON", sample(orvane::testing::kCautionSample));
    writeWholeFile(results() / "c.txt", sample(orvane::testing::kNotRecommendedSample));
    writeWholeFile(results() / "bad.json", "{}");
    open();
    EXPECT_EQ(column(1),
              (std::vector<std::wstring>{L"USB SSD 1TB - Suitable", L"SD card 128GB - Caution"}));
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, L"Some reports could not be loaded");
    EXPECT_EQ(services_.messages[0].text.rfind(L"bad.json: ", 0), 0u);

    services_.messages.clear();  // no loader thread: said, and never left busy
    open(running(shortRun, true), false);
    ASSERT_TRUE(pump([&] { return !services_.messages.empty(); }));
    EXPECT_FALSE(window_->busy());
    EXPECT_NE(services_.messages[0].text.find(L"No thread for the test"), std::wstring::npos);
    EXPECT_EQ(enabled(), kIdle);
}

TEST_F(WindowTest, ClosingWhileLoadingClosesAfterTheRowsWithoutTheBox) {
    fs::create_directories(results());
    writeWholeFile(results() / "a.json", sample(orvane::testing::kSuitableSample));
    writeWholeFile(results() / "bad.json", "{}");
    open(BackgroundWork::product(), false);
    beginStartUpLoad();
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd_));
    ASSERT_TRUE(pump([&] { return seen_.destroyed; }));
    EXPECT_EQ(seen_.rowsWhenDestroyed, 1u);
    EXPECT_TRUE(services_.messages.empty()) << "no problem box for a closing window";

    // Even when the rows cannot be shown (a document without the table's texts).
    BackgroundWork idleLoader = BackgroundWork::product();
    idleLoader.startThread = [](std::function<void()>) { return std::thread([] {}); };
    open(std::move(idleLoader), false);
    beginStartUpLoad();
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    auto loaded = std::make_unique<ReportLoadResult>();
    loaded->rows.emplace_back();
    loaded->rows.back().document = std::make_shared<const nlohmann::json>(nlohmann::json::object());
    ASSERT_TRUE(postRecord(hwnd_, WM_APP_REPORTS_LOADED, std::move(loaded)));
    EXPECT_TRUE(pump([&] { return !IsWindow(hwnd_); }, 5));
}

TEST_F(WindowTest, ImportStoresCopiesUnderFreeNamesAndOnlyOnce) {
    fs::create_directories(results());
    writeWholeFile(results() / "run.json", sample(orvane::testing::kCautionSample));
    const fs::path chosen = home_.path() / "run.json";
    writeWholeFile(chosen, sample(orvane::testing::kSuitableSample));
    open();
    for (int twice = 0; twice < 2; ++twice) {
        services_.openAnswers.push_back({chosen});
        command(IDC_IMPORT);
        ASSERT_TRUE(pump([&] { return !window_->busy(); }));
        EXPECT_EQ(rows(), 2);
        EXPECT_EQ(snapshotFolder(results()).size(), 2u);
    }
    EXPECT_TRUE(fs::exists(results() / "run-1.json"));
    EXPECT_EQ(readWholeFile(results() / "run.json"), sample(orvane::testing::kCautionSample));
    EXPECT_TRUE(services_.messages.empty());
}

TEST_F(WindowTest, SavingWritesTheFilesAndAFailedSaveKeepsThePreviousOne) {
    open(running(shortRun));
    startRun();
    ASSERT_TRUE(pump([&] { return runFinished(); }));
    const RunResult& result = *window_->runControl().currentResult();
    services_.saveRequests.clear();
    services_.saveAnswers.push_back(results() / "table.csv");
    command(IDC_SAVE_CSV);
    ASSERT_EQ(services_.saveRequests.size(), 1u);
    EXPECT_EQ(services_.saveRequests[0].suggestedName, suggestedReportFileName(result, true));
    EXPECT_EQ(readWholeFile(results() / "table.csv"), writeReportCsv(result));
    services_.saveAnswers.push_back(results() / "my drive.json");
    command(IDC_SAVE_JSON);
    ASSERT_EQ(rows(), 1) << "the same run keeps one row";
    EXPECT_EQ(cell(0, 1).rfind(L"my drive - ", 0), 0u);
    EXPECT_NE(
        text(IDC_DETAILS).find(L"\r\nSaved report: " + (results() / "my drive.json").native()),
        std::wstring::npos);

    const fs::path previous = results() / "kept.json";
    writeWholeFile(previous, "the user's earlier report");
    {
        // Held open without sharing, the file cannot be replaced.
        UniqueFileHandle held(CreateFileW(previous.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        services_.saveAnswers = {previous, std::nullopt};
        services_.saveRequests.clear();
        command(IDC_SAVE_JSON);
    }
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, L"Save failed - choose another location or cancel");
    EXPECT_EQ(services_.saveRequests.size(), 2u) << "the dialog came back";
    EXPECT_EQ(readWholeFile(previous), "the user's earlier report");
    EXPECT_EQ(snapshotFolder(results()).size(), 3u) << "no temporary file left";
}

TEST_F(WindowTest, AResultsFolderThatCannotBeMadeIsSaidFirst) {
    open(running(shortRun));
    command(IDC_OPEN_RESULTS);
    EXPECT_EQ(services_.openedFolders, std::vector<fs::path>{results()});
    fs::remove(results());
    writeWholeFile(results(), "a file where the folder belongs");
    command(IDC_OPEN_RESULTS);
    EXPECT_EQ(services_.openedFolders.size(), 1u);
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, L"Cannot open results");

    startRun();
    ASSERT_TRUE(pump([&] { return runFinished(); }));
    services_.saveAnswers.push_back(home_.path() / "elsewhere.json");
    command(IDC_SAVE_JSON);
    ASSERT_EQ(services_.messages.size(), 3u) << "said after the run, and again for the button";
    EXPECT_EQ(services_.messages[2].title, L"Results folder unavailable");
    EXPECT_TRUE(fs::exists(home_.path() / "elsewhere.json")) << "the dialog still opens";
}

TEST_F(WindowTest, ARefusedReviewShowsItsTextAndNoDialog) {
    open();
    type(IDC_FOLDER, L"E:\\models");
    queries_.answers.push_back(
        []() -> FormatTarget { throw std::runtime_error(format_refusal::kProgramVolume); });
    command(IDC_FORMAT);
    EXPECT_EQ(queries_.reviewed, std::vector<fs::path>{L"E:\\models"});
    window_->formatFlow().useQueries(systemFormatTargetQueries());
    type(IDC_FOLDER, L"");  // the sentence Start shows
    command(IDC_FORMAT);
    type(IDC_FOLDER, drive().native());  // Wine answers no disk query a format needs
    command(IDC_FORMAT);
    ASSERT_EQ(services_.messages.size(), 3u);
    EXPECT_EQ(services_.messages[0].text, fromUtf8(format_refusal::kProgramVolume));
    EXPECT_EQ(services_.messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(services_.messages[1].text, fromUtf8(kChooseExistingFolderMessage));
    for (const Box& box : services_.messages)
        EXPECT_EQ(box.title, kCannotFormat);
    EXPECT_TRUE(services_.formatDialogs.empty());
    expectIdle();
}

TEST_F(WindowTest, ACancelledDialogAChangedTargetOrABadCommandLaunchesNothing) {
    open();
    type(IDC_FOLDER, L"E:\\models");
    queries_.answer(stick());  // a cancelled dialog: nothing said, nothing re-checked
    command(IDC_FORMAT);
    ASSERT_EQ(services_.formatDialogs.size(), 1u);
    EXPECT_EQ(services_.formatDialogs[0].label, L"orvane");
    EXPECT_EQ(services_.formatDialogs[0].clusterBytes, 0u);
    EXPECT_EQ(queries_.reviewed.size(), 1u);
    EXPECT_TRUE(services_.messages.empty());
    FormatTarget otherBus = stick(), reformatted = stick();
    otherBus.busType = 11;
    reformatted.volumeSerial = 0x0BADF00D;
    const struct {
        std::wstring label;
        FormatTarget reviewed, rechecked;
        const char* message;
    } cases[] = {{L"TWELVE CHARS", stick(), stick(), format_command_error::kParameters},
                 {L"MODELS", otherBus, otherBus, format_command_error::kBus},
                 {L"MODELS", stick(), reformatted, format_refusal::kChanged}};
    for (const auto& c : cases) {
        services_.messages.clear();
        format([] { return ElevatedStart(); }, c.label, 0, c.reviewed, c.rechecked);
        ASSERT_EQ(services_.messages.size(), 1u) << c.message;
        EXPECT_EQ(services_.messages[0].text, fromUtf8(c.message));
        queries_.answers.clear();
    }
    EXPECT_TRUE(services_.launches.empty());
    expectIdle();
}

TEST_F(WindowTest, AnElevationDeclinedUnwatchableOrFailedOnlySaysSo) {
    open();
    type(IDC_FOLDER, L"E:\\models");
    const struct {
        std::function<ElevatedStart()> answer;
        const wchar_t* status;
        const wchar_t* box;
    } cases[] = {
        {[] { return ElevatedStart(); }, L"Format cancelled at administrator permission prompt.",
         nullptr},
        // The script may be running: never "cancelled", never "verified".
        {[] { return ElevatedStart::withoutHandle(); },
         L"Format started, but its progress cannot be watched. Check the drive before using it.",
         nullptr},
        {[]() -> ElevatedStart { throw std::runtime_error("Windows could not start it."); },
         nullptr, L"Windows could not start it."},
    };
    for (const auto& c : cases) {
        services_.messages.clear();
        format(c.answer);
        if (c.status) {
            EXPECT_EQ(text(IDC_STATUS), c.status);
        }
        EXPECT_EQ(services_.messages.empty(), c.box == nullptr);
        if (c.box) {
            EXPECT_EQ(services_.messages.at(0).text, c.box);
        }
        expectIdle();
    }
    ASSERT_EQ(services_.launches.size(), 3u);
    const Launch& launch = services_.launches[0];
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(launch.directory, fs::path(system));
    EXPECT_EQ(launch.program, fs::path(system) / L"WindowsPowerShell\\v1.0\\powershell.exe");
    const std::wstring script = decodedScript(launch.parameters);
    EXPECT_EQ(script.rfind(L"$ExpectedVolume = '\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-"
                           L"a4b5c6d7e8f9}\\'; $ExpectedSerial = 3735928559; "
                           L"$ExpectedDiskNumber = 3; $ExpectedBusType = 7; "
                           L"$ExpectedDriveLetter = 'E'; $AllocationUnitSize = 131072;\r\n"
                           L"$NewLabel = 'MODELS'; ",
                           0),
              0u)
        << script.substr(0, 400);
}

// The shell's wait for the prompt dispatches the window's messages: a person can press
// anything or close the window meanwhile.
TEST_F(WindowTest, TheWindowIsBusyWhileTheElevationPromptIsUp) {
    open();
    type(IDC_FOLDER, L"E:\\models");
    const auto pressEverythingThen = [this](bool close, std::function<ElevatedStart()> answer) {
        return [this, close, answer] {
            for (int id : {IDC_START, IDC_FORMAT, IDC_IMPORT})
                command(id);
            if (close)
                SendMessageW(hwnd_, WM_CLOSE, 0, 0);
            EXPECT_TRUE(IsWindow(hwnd_)) << "closing waits for the verdict";
            return answer();
        };
    };
    format(pressEverythingThen(false, [] { return ElevatedStart(); }));
    EXPECT_TRUE(services_.messages.empty()) << "no test started";
    expectIdle();
    format(pressEverythingThen(true, [] { return exitingWith(0); }));
    queries_.answer(formatted(L"MODELS", 131072));
    ASSERT_TRUE(formatting());
    ASSERT_TRUE(pump([this] { return !IsWindow(hwnd_); }, 10));
    EXPECT_EQ(services_.formatDialogs.size(), 2u);
    EXPECT_TRUE(queries_.answers.empty()) << "verified before the window went";
}

TEST_F(WindowTest, AVerifiedFormatReportsTheActualAllocation) {
    open(running(shortRun));
    startRun();
    ASSERT_TRUE(pump([&] { return runFinished(); }));
    type(IDC_FOLDER, L"E:\\models");
    format([] { return exitingWith(0); });
    queries_.answer(formatted(L"MODELS", 131072));
    EXPECT_EQ(window_->runControl().currentResult(), nullptr) << "the old result is gone";
    EXPECT_EQ(enabled(), std::set<int>{}) << "not even Cancel";
    EXPECT_EQ(text(IDC_STATUS),
              L"Formatting as exFAT. Keep the drive connected; this operation cannot be "
              L"cancelled.");
    EXPECT_EQ(window_->formatFlow().pendingRoot(), fs::path(L"E:\\"));
    ASSERT_TRUE(pump([this] { return !formatting(); }, 10));
    EXPECT_EQ(text(IDC_STATUS), L"Format verified. Select a live target again.");
    EXPECT_EQ(text(IDC_DETAILS),
              L"Verified exFAT label MODELS; actual allocation 128.0 KiB. Select a live drive and "
              L"run a fresh benchmark.");
    EXPECT_EQ(SendMessageW(control(IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(text(IDC_FOLDER), L"");
    EXPECT_EQ(queries_.reviewed.back(), fs::path(L"E:\\")) << "the saved root";
    EXPECT_EQ(enabled(), kIdle);
}

struct Outcome {
    const char* name;
    std::function<UniqueKernelHandle()> process;
    std::uint64_t allocationAfter;  // 0: the volume is never reviewed again
    const char* details;
};

void PrintTo(const Outcome& outcome, std::ostream* out) {
    *out << outcome.name;
}

class FormatOutcome : public WindowTest, public ::testing::WithParamInterface<Outcome> {};

TEST_P(FormatOutcome, AnythingButTheAskedVolumeAfterExitCodeZeroIsNotVerified) {
    open();
    type(IDC_FOLDER, L"E:\\models");
    format(GetParam().process);
    if (GetParam().allocationAfter != 0)
        queries_.answer(formatted(L"MODELS", GetParam().allocationAfter));
    ASSERT_TRUE(formatting());
    ASSERT_TRUE(pump([this] { return !formatting(); }, 10));
    EXPECT_EQ(text(IDC_STATUS), L"Format could not be verified. Contents may have changed.");
    EXPECT_EQ(text(IDC_DETAILS),
              fromUtf8(std::string(GetParam().details) + format_verdict_text::kNotVerifiedSuffix));
    EXPECT_EQ(SendMessageW(control(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(queries_.answers.empty());
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(Doubts, FormatOutcome,
                         ::testing::Values(Outcome{"OtherAllocation", [] { return exitingWith(0); },
                                                   65536, format_verdict_text::kResultDiffers},
                                           Outcome{"NonZeroExitCode", [] { return exitingWith(1); },
                                                   0, ""},
                                           Outcome{"ExitCodeUnreadable",
                                                   [] {
                                                       return UniqueKernelHandle(CreateEventW(
                                                           nullptr, TRUE, TRUE, nullptr));
                                                   },
                                                   0, ""}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(WindowTest, ClosingDuringAFormatWaitsForTheVerdictAndShowsIt) {
    open();
    window_->setActivity(WindowActivity::Running);
    command(IDC_FORMAT);  // a run holds the window: no format, and a stray exit changes nothing
    SendMessageW(hwnd_, WM_APP_FORMAT_EXITED, 0, 0);
    EXPECT_TRUE(window_->busy());
    EXPECT_TRUE(queries_.reviewed.empty());
    window_->setActivity(WindowActivity::Idle);

    type(IDC_FOLDER, L"E:\\models");
    format([] { return exitingWith(0); });
    queries_.answer(formatted(L"OTHER", 131072));
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd_)) << "a format is never abandoned";
    EXPECT_FALSE(window_->runControl().cancelRequested());
    EXPECT_EQ(text(IDC_STATUS), L"Waiting for formatting to finish before closing...");
    ASSERT_TRUE(pump([this] { return !IsWindow(hwnd_); }, 10));
    EXPECT_EQ(queries_.reviewed.size(), 3u) << "verified before the window went";
    ASSERT_EQ(services_.messages.size(), 1u) << "the verdict is shown before the window goes";
    EXPECT_NE(services_.messages[0].text.find(fromUtf8(format_verdict_text::kResultDiffers)),
              std::wstring::npos);
    MSG quit{};
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

TEST(PostedRecordTest, TheWindowOwnsAPostedRecordAndTheSenderOneThatCouldNotBePosted) {
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    auto shared = std::make_shared<int>(7);
    std::weak_ptr<int> watch = shared;
    ASSERT_TRUE(postRecord(window, WM_APP_PROGRESS,
                           std::make_unique<std::shared_ptr<int>>(std::move(shared))));
    EXPECT_FALSE(watch.expired()) << "in the queue, owned by the receiver";
    MSG posted{};
    ASSERT_TRUE(PeekMessageW(&posted, window, WM_APP_PROGRESS, WM_APP_PROGRESS, PM_REMOVE));
    EXPECT_EQ(*takePostedRecord<std::shared_ptr<int>>(posted.lParam)->get(), 7);
    EXPECT_TRUE(watch.expired()) << "the receiver freed it";
    DestroyWindow(window);
    shared = std::make_shared<int>(8);
    watch = shared;
    EXPECT_FALSE(postRecord(window, WM_APP_RUN_FINISHED,
                            std::make_unique<std::shared_ptr<int>>(std::move(shared))));
    EXPECT_TRUE(watch.expired()) << "the window is gone: freed by the sender, not leaked";
}

}  // namespace
}  // namespace orvane
