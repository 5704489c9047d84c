// The real main window in this process (Wine's null graphics driver), driven through its messages
// and a scripted desktop seam: each control reaching its rule, the real worker and loader threads,
// cancel and close, and the format flow with the disk review answered by the test.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <system_error>

#include <commctrl.h>
#include <objbase.h>
#include <process.h>

#include "engine/benchmark_run.h"
#include "format/format_command.h"
#include "format/format_target_rules.h"
#include "platform/text_encoding.h"
#include "reports/report_csv_writer.h"
#include "reports/report_ranking.h"
#include "reports/suggested_report_name.h"
#include "storage/target_rules.h"
#include "tests/support/sample_reports.h"
#include "tests/support/temp_folder.h"
#include "ui/format_dialog_data.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/posted_messages_windows.h"
#include "ui/setup_form.h"
#include "ui/window_text_windows.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using namespace orvane::testing;

// The person at the desk: answers each dialog from a script (cancel when none is left).
class ScriptedServices final : public DesktopServices {
  public:
    std::vector<std::wstring> messages;  // title: text
    UINT lastType = 0;
    int messageAnswer = IDOK;
    std::optional<fs::path> folderAnswer, saveAnswer;
    std::vector<fs::path> openAnswer;
    std::vector<SaveFileRequest> saveRequests;
    std::vector<fs::path> openedFolders;
    std::function<INT_PTR(FormatDialogData&)> formatAnswer;
    std::vector<std::vector<std::wstring>> launches;  // program, parameters, folder
    std::function<ElevatedStart()> elevated;

    int showMessageBox(HWND, const std::wstring& text, const std::wstring& title,
                       UINT type) override {
        messages.push_back(title + L": " + text);
        lastType = type;
        return messageAnswer;
    }
    std::optional<fs::path> chooseFolder(HWND, const std::wstring&) override {
        return std::exchange(folderAnswer, std::nullopt);
    }
    std::vector<fs::path> chooseFilesToOpen(HWND, const std::wstring&, const std::wstring&,
                                            const std::wstring&) override {
        return std::exchange(openAnswer, {});
    }
    std::optional<fs::path> chooseSaveFile(HWND, const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        return std::exchange(saveAnswer, std::nullopt);
    }
    void openFolder(HWND, const fs::path& folder) override { openedFolders.push_back(folder); }
    INT_PTR showFormatDialog(HWND, FormatDialogData& data) override {
        return formatAnswer ? formatAnswer(data) : IDCANCEL;
    }
    ElevatedStart launchElevated(HWND, const fs::path& program, const std::wstring& parameters,
                                 const fs::path& folder) override {
        launches.push_back({program.native(), parameters, folder.native()});
        return elevated();
    }
};

// The disk review (Wine fails the real queries): each answer gives a target, or it refuses.
class ScriptedQueries final : public FormatTargetQueries {
  public:
    std::deque<FormatTarget> answers;
    std::vector<fs::path> reviewed;
    FormatTarget review(const fs::path& folder) override {
        reviewed.push_back(folder);
        if (answers.empty())
            throw std::runtime_error(format_refusal::kProgramVolume);
        const FormatTarget answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void recheck(const FormatTarget& saved) override {
        requireSameFormatTarget(saved, review(fs::path(saved.volume.root)));
    }
};

// The reviewed stick, or what the review finds after Windows formatted it.
FormatTarget stick(const wchar_t* newLabel = nullptr) {
    FormatTarget t;
    t.volume.root = L"E:\\";
    t.volume.label = newLabel ? newLabel : L"STICK";
    t.volume.filesystem = newLabel ? L"exFAT" : L"FAT32";
    t.volume.allocationUnitBytes = 131072;
    t.volumePath = L"\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\";
    t.volumeSerial = newLabel ? 0x1234ABCD : 0xDEADBEEF;
    t.busType = kBusUsb;
    return t;
}

// A real process ending with the given code, standing in for the elevated script.
UniqueKernelHandle exitingWith(int code) {
    const std::wstring exit = L"exit " + std::to_wstring(code);
    return UniqueKernelHandle(reinterpret_cast<HANDLE>(
        _wspawnlp(_P_NOWAIT, L"cmd.exe", L"cmd.exe", L"/c", exit.c_str(), nullptr)));
}

// What the window received, seen before its own handler takes the record.
struct Observed {
    std::size_t notices = 0;
    int rowsWhenDestroyed = -1;  // none until destroyed
};

LRESULT CALLBACK observe(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                         DWORD_PTR data) {
    auto& seen = *reinterpret_cast<Observed*>(data);
    seen.notices += message == WM_APP_PROGRESS;
    if (message == WM_DESTROY)
        seen.rowsWhenDestroyed = ListView_GetItemCount(GetDlgItem(hwnd, IDC_COMPARISON));
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// A real run of the platform's files, small enough for every test; held in its sequential
// write until cancelled when asked, so a test can act at that point.
RunFunction shortRun(bool held = false) {
    return [held](const RunOptions& options, const std::atomic<bool>& cancel,
                  const ProgressCallback& progress) {
        RunOptions small = options;
        small.testBytes = 16ull << 20;
        small.randomSecondsPerPhase = 0.1;
        small.smallFiles = 4;
        return runBenchmark(small, cancel, [&](const Progress& notice) {
            progress(notice);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (held && notice.message.rfind("Writing model-sized", 0) == 0 && !cancel.load() &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
    };
}

BackgroundWork running(RunFunction run) {
    BackgroundWork work = BackgroundWork::product();
    work.run = std::move(run);
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

    fs::path results() const { return home_.path() / "results"; }
    fs::path drive() const { return home_.path() / "drive"; }

    // The window; its start-up load is done when idle, else still queued.
    void open(BackgroundWork work = BackgroundWork::product(), bool idle = true) {
        window_ = std::make_unique<MainWindow>(services_, results());
        window_->setBackgroundWork(std::move(work));
        window_->formatFlow().useQueries(queries_);
        ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr)));
        hwnd_ = window_->handle();
        SetWindowSubclass(hwnd_, observe, 1, reinterpret_cast<DWORD_PTR>(&seen_));
        if (idle) {
            ASSERT_TRUE(pump([&] { return !window_->busy(); }));
        }
    }
    // Runs the thread's messages until done() holds.
    static bool pump(const std::function<bool()>& done, int seconds = 120) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (MSG message{};; MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (done() || std::chrono::steady_clock::now() > deadline)
                return done();
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
    LRESULT notify(NMHDR& header) {
        return SendMessageW(hwnd_, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }
    std::set<int> enabled() const {
        std::set<int> ids;
        for (int id : kCommandControlIds)
            if (IsWindowEnabled(control(id)))
                ids.insert(id);
        return ids;
    }
    std::wstring lastBox() const { return services_.messages.back(); }
    bool finished() const { return !window_->busy() && window_->runControl().currentResult(); }
    void runToTheEnd() {
        type(IDC_FOLDER, drive().native());
        command(IDC_START);
        ASSERT_TRUE(pump([&] { return finished(); }, 300));
    }
    HWND list() const { return control(IDC_COMPARISON); }
    int rows() const { return ListView_GetItemCount(list()); }
    std::wstring cell(int row, int column) const {
        wchar_t value[512] = {};
        ListView_GetItemText(list(), row, column, value, 512);
        return value;
    }
    std::wstring column(int c) const {
        std::wstring texts;
        for (int row = 0; row < rows(); ++row)
            texts += cell(row, c) + L";";
        return texts;
    }
    int selectedRow() const { return ListView_GetNextItem(list(), -1, LVNI_SELECTED); }
    // Review, the dialog answered with the name and allocation, re-check, launch.
    void format(std::function<ElevatedStart()> process, std::uint32_t cluster = 131072,
                const FormatTarget& rechecked = stick()) {
        type(IDC_FOLDER, L"E:\\models");
        queries_.answers = {stick(), rechecked};
        services_.formatAnswer = [cluster](FormatDialogData& data) {
            data.label = L"MODELS";
            data.clusterBytes = cluster;
            return IDOK;
        };
        services_.elevated = std::move(process);
        command(IDC_FORMAT);
    }

    TempFolder home_;
    ScriptedServices services_;
    ScriptedQueries queries_;
    Observed seen_;
    std::unique_ptr<MainWindow> window_;
    HWND hwnd_ = nullptr;
};

TEST_F(WindowTest, ControlsReachTheirRulesAndClosingWhenIdleEndsTheProgram) {
    open();

    type(IDC_FOLDER, L"\\\\server\\share\\models");  // refused by its form at once
    EXPECT_EQ(text(IDC_TARGET_LINE), fromUtf8(kLocalPathMessage));
    type(IDC_FOLDER, (drive() / L"missing").native());  // inspected once typing pauses
    EXPECT_TRUE(
        pump([&] { return text(IDC_TARGET_LINE) == fromUtf8(kChooseExistingFolderMessage); }, 5));
    services_.folderAnswer = drive();
    command(IDC_BROWSE);
    command(IDC_BROWSE);  // cancelled: nothing changes
    EXPECT_EQ(text(IDC_FOLDER), drive().native());
    EXPECT_NE(text(IDC_TARGET_LINE).find(L"GiB free"), std::wstring::npos);
    const std::vector<DriveEntry>& drives = window_->setup().drives();
    for (std::size_t i = drives.size(); i-- > 0;) {  // down to the first entry
        pick(IDC_DRIVES, static_cast<int>(i));
        EXPECT_EQ(text(IDC_FOLDER), drives[i].root);
    }
    pick(IDC_DEPTH, 2);
    EXPECT_NE(text(IDC_DATASET_SUMMARY).find(L"3072 MiB"), std::wstring::npos);
    type(IDC_MODEL_SIZE, L"1000.05");
    EXPECT_EQ(text(IDC_TARGET_LINE), fromUtf8(kModelSizeRangeMessage));
    NMUPDOWN arrow{{control(IDC_MODEL_SPIN), IDC_MODEL_SPIN, UDN_DELTAPOS}, 0, 1};
    EXPECT_EQ(notify(arrow.hdr), 1);
    EXPECT_EQ(text(IDC_MODEL_SIZE), L"6.7") << "a step from the last valid size";

    const auto brush = [this](UINT message, int id) {
        return HBRUSH(SendMessageW(hwnd_, message, WPARAM(GetDC(hwnd_)), LPARAM(control(id))));
    };
    window_->overrideHighContrast(false);
    EXPECT_EQ(brush(WM_CTLCOLORSTATIC, IDC_STATUS), window_->backgroundBrush());
    EXPECT_EQ(brush(WM_CTLCOLORSTATIC, IDC_DETAILS), window_->whiteBrush());
    EXPECT_EQ(brush(WM_CTLCOLOREDIT, IDC_STATUS), window_->whiteBrush());
    window_->overrideHighContrast(true);
    EXPECT_EQ(brush(WM_CTLCOLORSTATIC, IDC_FOLDER), GetSysColorBrush(COLOR_WINDOW));

    // The dots belong to the window, not the list that shows them.
    const HIMAGELIST dots = ListView_GetImageList(list(), LVSIL_SMALL);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd_));
    EXPECT_EQ(ImageList_GetImageCount(dots), 3);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u) << "the program's exit code";
}

TEST_F(WindowTest, TheTableRanksSortsSelectsAndRerates) {
    open();
    window_->comparison().addRows(loadSampleReports());
    LVITEMW dot{};
    dot.mask = LVIF_IMAGE;
    dot.iItem = 3;
    dot.iSubItem = 1;
    ListView_GetItem(list(), &dot);
    EXPECT_EQ(dot.iImage, 2) << "the last row's status dot, in the drive column";
    NMLISTVIEW click{};
    click.hdr = {list(), 0, LVN_COLUMNCLICK};
    click.iSubItem = 2;  // Capacity, then again: descending
    notify(click.hdr);
    notify(click.hdr);
    click.iSubItem = kReportColumnCount;  // past the last column: ignored
    notify(click.hdr);
    EXPECT_EQ(column(2), L"2000.4 GB;1000.2 GB;127.9 GB;15.5 GB;");
    EXPECT_EQ(column(0), L"3;1;2;4;") << "ranks stay with their rows";

    ListView_SetItemState(list(), 2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(text(IDC_DETAILS).rfind(L"SD card 128GB - Caution\r\n", 0), 0u);
    type(IDC_MODEL_SIZE, L"70");  // re-rated and re-sorted, the same run stays selected
    EXPECT_NE(text(IDC_DETAILS).find(L"| Comparison: 70.0 GB | Model read: 754.3 s\r\n"),
              std::wstring::npos);
}

TEST_F(WindowTest, CancelOrCloseDuringTheWriteEndsTheRunAsCancelled) {
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close);
        window_.reset();
        seen_ = {};
        open(running(shortRun(true)));
        type(IDC_FOLDER, drive().native());
        command(IDC_START);
        ASSERT_TRUE(pump([&] { return seen_.notices > 0; }));
        const std::size_t notices = seen_.notices;
        EXPECT_EQ(enabled(), std::set<int>{IDC_CANCEL});
        SendMessageW(hwnd_, close ? WM_CLOSE : WM_COMMAND, IDC_CANCEL, 0);
        SendMessageW(hwnd_, close ? WM_CLOSE : WM_COMMAND, IDC_CANCEL, 0);  // twice: no more
        EXPECT_EQ(enabled(), std::set<int>{});
        EXPECT_EQ(text(IDC_STATUS),
                  close ? L"Finishing current I/O and cleanup before closing..."
                        : L"Cancelling after current I/O, then removing temporary files...");
        ASSERT_TRUE(pump([&] { return close ? seen_.rowsWhenDestroyed >= 0 : finished(); }));
        EXPECT_EQ(seen_.notices, notices + 1) << "the run's own last notice";
        EXPECT_EQ(window_->runControl().currentResult()->status, RunStatus::kCancelled);
        EXPECT_EQ(std::max(seen_.rowsWhenDestroyed, 0) + rows(), 1) << "in the table first";
        EXPECT_EQ(services_.saveRequests.size(), 1u) << "offered after the cancel, not the close";
        EXPECT_TRUE(services_.messages.empty());
    }
}

TEST_F(WindowTest, ARunEndsSavedAfterRefusalsAndALeftoverOffer) {
    open(running(shortRun()));
    type(IDC_FOLDER, drive().native());
    type(IDC_MODEL_SIZE, L"abc");
    command(IDC_START);
    EXPECT_NE(lastBox().find(fromUtf8(kIncompleteModelSizeMessage)), std::wstring::npos);
    BackgroundWork noThread = running(shortRun());
    noThread.startThread = [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "No thread for the test");
    };
    window_->setBackgroundWork(std::move(noThread));
    type(IDC_MODEL_SIZE, L"6.6");
    command(IDC_START);
    EXPECT_NE(lastBox().find(L"No thread for the test"), std::wstring::npos);
    EXPECT_EQ(services_.messages.at(0).rfind(L"Cannot start test: ", 0), 0u);
    EXPECT_EQ(enabled(), kIdle);
    window_->setBackgroundWork(running(shortRun()));
    const fs::path leftover = drive() / ".orvane-varnolt-00112233445566778899aabbccddeeff";
    const fs::path decoy = drive() / ".orvane-varnolt-ffeeddccbbaa99887766554433221100";
    writeWholeFile((fs::create_directories(decoy), decoy / "thesis.tex"), "mine");
    // Just under 0.05 MiB: one byte more would show as 0.1.
    writeWholeFile((fs::create_directories(leftover), leftover / "workload.bin"),
                   std::string(52428, 'x'));
    services_.messages.clear();
    services_.messageAnswer = IDYES;
    runToTheEnd();
    ASSERT_EQ(services_.messages.size(), 1u) << "asked once, and only for the removable one";
    EXPECT_EQ(services_.lastType, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_NE(lastBox().find(L"holds 1 folder (0.0 MiB)"), std::wstring::npos);
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_EQ(readWholeFile(decoy / "thesis.tex"), "mine");
    EXPECT_EQ(SendMessageW(control(IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(text(IDC_STATUS), L"Completed");
    const RunResult& result = *window_->runControl().currentResult();
    ASSERT_EQ(services_.saveRequests.size(), 1u) << "the save dialog opens by itself";
    EXPECT_EQ(services_.saveRequests[0].suggestedName, suggestedReportFileName(result, false));
    services_.saveAnswer = results() / "table.csv";
    command(IDC_SAVE_CSV);
    EXPECT_EQ(readWholeFile(results() / "table.csv"), writeReportCsv(result));
    services_.saveAnswer = results() / "my drive.json";
    command(IDC_SAVE_JSON);
    EXPECT_EQ(loadReportFile(results() / "my drive.json", true).timestampUtc, result.timestampUtc);
    ASSERT_EQ(rows(), 1) << "the same run keeps one row";
    EXPECT_EQ(cell(selectedRow(), 1).rfind(L"my drive - ", 0), 0u);
    writeWholeFile(results() / "kept.json", "earlier");
    const UniqueFileHandle held(CreateFileW((results() / "kept.json").c_str(), GENERIC_READ, 0,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
    services_.saveAnswer = results() / "kept.json";
    command(IDC_SAVE_JSON);  // held open without sharing, the file cannot be replaced
    EXPECT_EQ(services_.saveRequests.size(), 5u) << "the dialog came back";
    EXPECT_EQ(lastBox().rfind(L"Save failed - choose another location or cancel: ", 0), 0u);
}

TEST_F(WindowTest, TheResultsFolderLoadsAtStartUpImportsAndOpensOrSaysWhyNot) {
    fs::create_directories(results());
    fs::copy_file(sampleReportsFolder() / kCautionSample, results() / "run.json");
    fs::copy_file(sampleReportsFolder() / kNotRecommendedSample, results() / "c.txt");
    writeWholeFile(results() / "bad.JSON", "{}");
    fs::copy_file(sampleReportsFolder() / kSuitableSample, home_.path() / "run.json");
    open(BackgroundWork::product(), false);  // closed while loading: after the rows, no box
    MSG posted{};  // the start-up load runs now, to see the window while it loads
    ASSERT_TRUE(PeekMessageW(&posted, hwnd_, WM_APP_LOAD_SAVED_REPORTS, WM_APP_LOAD_SAVED_REPORTS,
                             PM_REMOVE));
    SendMessageW(hwnd_, WM_APP_LOAD_SAVED_REPORTS, 0, 0);
    EXPECT_EQ(enabled(), std::set<int>{}) << "not even Cancel while loading";
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd_));
    ASSERT_TRUE(pump([&] { return seen_.rowsWhenDestroyed >= 0; }));
    EXPECT_EQ(seen_.rowsWhenDestroyed, 1);
    EXPECT_TRUE(services_.messages.empty()) << "no problem box for a closing window";
    open();
    EXPECT_EQ(column(1), L"SD card 128GB - Caution;");
    EXPECT_EQ(lastBox().rfind(L"Some reports could not be loaded: bad.JSON: ", 0), 0u);
    services_.openAnswer = {home_.path() / "run.json"};
    command(IDC_IMPORT);  // copied into the results folder, and shown
    ASSERT_TRUE(pump([&] { return !window_->busy(); }));
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(results()), {}), 4);
    command(IDC_OPEN_RESULTS);
    EXPECT_EQ(services_.openedFolders, std::vector<fs::path>{results()});
}

TEST_F(WindowTest, AFormatThatCannotGoAheadOrIsNotWatchedOnlySaysWhy) {
    open();
    type(IDC_FOLDER, L"E:\\models");
    command(IDC_FORMAT);  // the review refuses
    queries_.answers = {stick()};
    command(IDC_FORMAT);  // the dialog is cancelled: nothing said, nothing re-checked
    EXPECT_EQ(queries_.reviewed, (std::vector<fs::path>{L"E:\\models", L"E:\\models"}));
    FormatTarget reformatted = stick();
    reformatted.volumeSerial = 0x0BADF00D;
    format([] { return ElevatedStart(); }, 16384);
    format([] { return ElevatedStart(); }, 0, reformatted);
    // Declined, started without a handle, or failed: the script may be running all the same,
    // so never "cancelled", never "verified".
    const std::pair<std::function<ElevatedStart()>, const wchar_t*> starts[] = {
        {[] { return ElevatedStart(); }, L"Format cancelled at administrator permission prompt."},
        {[] { return ElevatedStart::withoutHandle(); }, L"Format started, but its progress cannot"},
        {[]() -> ElevatedStart { throw std::runtime_error("Windows could not start it."); }, L""}};
    for (const auto& [start, said] : starts) {
        format(start);
        EXPECT_EQ(text(IDC_STATUS).rfind(said, 0), 0u);
        EXPECT_EQ(enabled(), kIdle);
    }
    const std::wstring cannot = L"Orvane Varnolt - Cannot format: ";
    EXPECT_EQ(services_.messages,
              (std::vector<std::wstring>{cannot + fromUtf8(format_refusal::kProgramVolume),
                                         cannot + fromUtf8(format_command_error::kParameters),
                                         cannot + fromUtf8(format_refusal::kChanged),
                                         cannot + L"Windows could not start it."}));
    EXPECT_EQ(services_.lastType & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    ASSERT_EQ(services_.launches.size(), 3u);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(services_.launches[0],
              (std::vector<std::wstring>{
                  std::wstring(system) + L"\\WindowsPowerShell\\v1.0\\powershell.exe",
                  composeFormatCommand(stick(), 131072, L"MODELS"), system}));
}

// The shell's wait for the prompt dispatches the window's messages: a person can press
// anything or close the window meanwhile.
TEST_F(WindowTest, OnlyTheAskedVolumeAfterExitCodeZeroIsVerifiedAndClosingWaitsForTheVerdict) {
    open();
    const auto pressEverythingThen = [this](bool close, std::function<ElevatedStart()> answer) {
        return [this, close, answer] {
            for (int id : {IDC_START, IDC_FORMAT, IDC_IMPORT})
                command(id);
            SendMessageW(hwnd_, close ? WM_CLOSE : WM_NULL, 0, 0);
            EXPECT_TRUE(IsWindow(hwnd_)) << "closing waits for the verdict";
            return answer();
        };
    };
    const std::string notVerified = format_verdict_text::kNotVerifiedSuffix;
    const struct {
        std::function<ElevatedStart()> process;
        bool exitZero;  // then the volume is reviewed again
        std::string details;
    } cases[] = {
        {[] { return exitingWith(0); }, true,
         "Verified exFAT label MODELS; actual allocation 128.0 KiB. Select a live drive and run a "
         "fresh benchmark."},
        {[] { return exitingWith(1); }, false, notVerified},
        {[] { return UniqueKernelHandle(CreateEventW(nullptr, TRUE, TRUE, nullptr)); }, false,
         notVerified},  // no exit code to read
    };
    for (const auto& c : cases) {  // one window: each format starts from the last one's verdict
        SCOPED_TRACE(c.details);
        queries_.reviewed.clear();
        format(pressEverythingThen(false, c.process));
        if (c.exitZero)
            queries_.answers.push_back(stick(L"MODELS"));
        EXPECT_EQ(SendMessageW(control(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
        ASSERT_TRUE(pump([this] { return window_->activity() != WindowActivity::Formatting; }, 10));
        EXPECT_EQ(text(IDC_STATUS),
                  c.exitZero ? L"Format verified. Select a live target again."
                             : L"Format could not be verified. Contents may have changed.");
        EXPECT_EQ(text(IDC_DETAILS), fromUtf8(c.details));
        EXPECT_EQ(SendMessageW(control(IDC_PROGRESS), PBM_GETPOS, 0, 0), c.exitZero ? 100 : 0);
        EXPECT_EQ(text(IDC_FOLDER), L"");
        EXPECT_EQ(queries_.reviewed.size(), c.exitZero ? 3u : 2u)
            << "reviewed again only after exit code 0";
        EXPECT_EQ(queries_.reviewed.back(), fs::path(L"E:\\")) << "the saved root";
    }
    EXPECT_TRUE(services_.messages.empty()) << "nothing pressed during the prompt started";
    format(pressEverythingThen(true, [] { return exitingWith(0); }));
    queries_.answers.push_back(stick(L"OTHER"));
    ASSERT_EQ(window_->activity(), WindowActivity::Formatting);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(window_->runControl().cancelRequested()) << "a format is never abandoned";
    EXPECT_EQ(text(IDC_STATUS), L"Waiting for formatting to finish before closing...");
    ASSERT_TRUE(pump([this] { return !IsWindow(hwnd_); }, 10));
    ASSERT_EQ(services_.messages.size(), 1u) << "the verdict is shown before the window goes";
    EXPECT_NE(lastBox().find(fromUtf8(format_verdict_text::kResultDiffers)), std::wstring::npos);
}

}  // namespace
}  // namespace orvane
