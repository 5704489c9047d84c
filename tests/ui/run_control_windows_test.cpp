// Running a test from the real window and its results folder, driven in-process through the
// window's messages and the desktop seam; the worker and loader threads are real.

#include "platform/windows_api.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
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

#include "engine/benchmark_run.h"
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
#include "tests/ui/scripted_desktop_services_windows.h"
#include "tests/ui/window_test_support_windows.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/posted_messages_windows.h"
#include "ui/setup_form.h"
#include "ui/window_text_windows.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using orvane::testing::pumpUntil;
using orvane::testing::readWholeFile;
using orvane::testing::snapshotFolder;
using orvane::testing::writeWholeFile;

constexpr wchar_t kSequentialWriteNotice[] =
    L"Writing model-sized data (cache bypass requested, durable flush)...";

// What the window received, seen before its own handler takes the record.
struct Observed {
    std::vector<Progress> notices;
    std::vector<std::wstring> statusBeforeNotice;
    std::size_t rowsWhenDestroyed = 0;
    bool destroyed = false;
    MainWindow* window = nullptr;
};

LRESULT CALLBACK observe(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                         DWORD_PTR data) {
    auto& seen = *reinterpret_cast<Observed*>(data);
    if (message == WM_APP_PROGRESS) {
        seen.notices.push_back(*reinterpret_cast<const Progress*>(lParam));
        seen.statusBeforeNotice.push_back(windowText(seen.window->control(IDC_STATUS)));
    }
    if (message == WM_DESTROY) {
        seen.destroyed = true;
        seen.rowsWhenDestroyed = seen.window->comparison().reports().size();
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// A real run of the chosen folder on the platform's files, made small enough for every test.
RunResult shortRun(const RunOptions& options, const std::atomic<bool>& cancel,
                   const ProgressCallback& progress) {
    RunOptions small = options;
    small.testBytes = 16ull * 1024 * 1024;
    small.randomSecondsPerPhase = 0.1;
    small.smallFiles = 4;
    return runBenchmark(small, cancel, progress);
}

// A short run that holds still in its sequential write until someone sets the cancel flag, so
// a test can press Cancel or close the window at that exact point.
RunResult runHeldInSequentialWrite(const RunOptions& options, const std::atomic<bool>& cancel,
                                   const ProgressCallback& progress) {
    const ProgressCallback holding = [&](const Progress& notice) {
        progress(notice);
        if (fromUtf8(notice.message) != kSequentialWriteNotice)
            return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!cancel.load() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    return shortRun(options, cancel, holding);
}

std::thread refuseThread(std::function<void()>) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "No thread for the test");
}

class RunControlTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { orvane::testing::initWindowTests(); }

    void TearDown() override {
        // Whatever a failed test left running ends before the folder goes.
        if (window_ && window_->handle() != nullptr)
            window_->runControl().requestCancel();
        window_.reset();
    }

    fs::path results() const { return home_.path() / "results"; }
    fs::path testFolder() const { return home_.path() / "drive"; }

    // Creates the window; its start-up load of the results folder runs in the first pump.
    void openWindow(BackgroundWork work = BackgroundWork::product()) {
        window_ = std::make_unique<MainWindow>(services_, results());
        window_->setBackgroundWork(std::move(work));
        ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr)));
        hwnd_ = window_->handle();
        observed_.window = window_.get();
        SetWindowSubclass(hwnd_, observe, 1, reinterpret_cast<DWORD_PTR>(&observed_));
    }
    // Runs the start-up load's message now, so the test sees the window while it loads.
    void beginStartUpLoad() {
        MSG posted{};
        ASSERT_TRUE(PeekMessageW(&posted, hwnd_, WM_APP_LOAD_SAVED_REPORTS,
                                 WM_APP_LOAD_SAVED_REPORTS, PM_REMOVE));
        SendMessageW(hwnd_, WM_APP_LOAD_SAVED_REPORTS, 0, 0);
    }
    void openIdleWindow(BackgroundWork work = BackgroundWork::product()) {
        openWindow(std::move(work));
        ASSERT_TRUE(pumpUntil([&] { return !window_->busy(); })) << "start-up load never ended";
    }
    BackgroundWork runningWith(RunFunction run) {
        BackgroundWork work = BackgroundWork::product();
        work.run = std::move(run);
        return work;
    }

    HWND control(int id) const { return window_->control(id); }
    void command(int id) {
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control(id)));
    }
    void chooseFolderAndDepth(const fs::path& folder, int depth) {
        SetWindowTextW(control(IDC_FOLDER), folder.c_str());
        SendMessageW(control(IDC_DEPTH), CB_SETCURSEL, static_cast<WPARAM>(depth), 0);
    }
    bool runFinished() const { return !window_->busy() && window_->runControl().currentResult(); }
    std::set<int> enabledIds() const { return orvane::testing::enabledControlIds(*window_); }
    int selectedRow() const {
        return ListView_GetNextItem(window_->control(IDC_COMPARISON), -1, LVNI_SELECTED);
    }
    std::wstring cell(int row, int column) const {
        return orvane::testing::listCellText(window_->control(IDC_COMPARISON), row, column);
    }
    int rows() const { return ListView_GetItemCount(window_->control(IDC_COMPARISON)); }

    void SetUp() override { fs::create_directories(testFolder()); }

    orvane::testing::TempFolder home_;
    orvane::testing::ScriptedDesktopServices services_;
    Observed observed_;
    std::unique_ptr<MainWindow> window_;
    HWND hwnd_ = nullptr;
};

const std::set<int> kIdleInputs{IDC_FOLDER, IDC_BROWSE,     IDC_DRIVES,      IDC_REFRESH_DRIVES,
                                IDC_DEPTH,  IDC_MODEL_SIZE, IDC_MODEL_SPIN,  IDC_START,
                                IDC_FORMAT, IDC_IMPORT,     IDC_OPEN_RESULTS};

TEST_F(RunControlTest, AQuickRunFromTheWindowEndsRankedSelectedAndSaved) {
    openIdleWindow();  // the product's own run: Quick writes 256 MiB
    chooseFolderAndDepth(testFolder(), 0);
    command(IDC_START);
    ASSERT_TRUE(services_.messages.empty()) << toUtf8(services_.messages[0].text);
    EXPECT_TRUE(window_->busy());
    EXPECT_EQ(enabledIds(), std::set<int>{IDC_CANCEL});
    EXPECT_EQ(windowText(window_->control(IDC_DETAILS)),
              L"Testing selected storage. You can cancel at any time; cleanup runs after the "
              L"current I/O completes.");
    ASSERT_TRUE(pumpUntil([&] { return runFinished(); }, 300));

    // Notices in the run's order, never going back, ending with the status at 100.
    ASSERT_GE(observed_.notices.size(), 5u);
    for (std::size_t i = 1; i < observed_.notices.size(); ++i)
        EXPECT_GE(observed_.notices[i].percent, observed_.notices[i - 1].percent) << i;
    EXPECT_EQ(fromUtf8(observed_.notices.front().message), kSequentialWriteNotice);
    EXPECT_EQ(observed_.notices.back().percent, 100);
    EXPECT_EQ(observed_.notices.back().message, "Completed");
    EXPECT_EQ(SendMessageW(window_->control(IDC_PROGRESS), PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)), L"Completed");
    EXPECT_EQ(enabledIds().count(IDC_SAVE_JSON), 1u);
    EXPECT_EQ(enabledIds().count(IDC_CANCEL), 0u);

    // The row: ranked, selected, its details in the box.
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, 0), L"1");
    EXPECT_EQ(selectedRow(), 0);
    EXPECT_EQ(cell(0, 10), L"Quick");
    const std::wstring details = windowText(window_->control(IDC_DETAILS));
    EXPECT_EQ(details.rfind(cell(0, 1) + L"\r\n", 0), 0u) << details;
    EXPECT_NE(details.find(L"Status: Completed"), std::wstring::npos) << details;

    // The save dialog opened by itself, in the results folder, with the suggested name.
    ASSERT_EQ(services_.saveRequests.size(), 1u);
    const SaveFileRequest& request = services_.saveRequests[0];
    EXPECT_EQ(request.initialFolder, results());
    EXPECT_TRUE(fs::is_directory(results())) << "made for the dialog";
    EXPECT_EQ(request.filterName, L"JSON report");
    EXPECT_EQ(request.pattern, L"*.json");
    EXPECT_EQ(request.defaultExtension, L"json");
    const RunResult& result = *window_->runControl().currentResult();
    EXPECT_EQ(request.suggestedName, suggestedReportFileName(result, false));
    EXPECT_NE(request.suggestedName.find(fromUtf8(result.timestampUtc.substr(0, 10))),
              std::wstring::npos);

    // Saving it by the button now: the file imports again as the same run.
    const fs::path saved = results() / request.suggestedName;
    services_.saveAnswers.push_back(saved);
    command(IDC_SAVE_JSON);
    const SavedReport again = loadReportFile(saved, true);
    EXPECT_EQ(again.timestampUtc, result.timestampUtc);
    EXPECT_EQ(again.scratchFolder, toUtf8(result.scratchFolder.native()));
    EXPECT_EQ(again.displayName, toUtf8(saved.stem().native()));
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)), L"Saved " + saved.filename().native());
    EXPECT_FALSE(fs::exists(result.scratchFolder)) << "the run cleaned up after itself";
}

TEST_F(RunControlTest, CancelDuringTheSequentialWriteEndsAsCancelledAndIsOfferedForSaving) {
    openIdleWindow(runningWith(runHeldInSequentialWrite));
    chooseFolderAndDepth(testFolder(), 0);
    command(IDC_START);
    ASSERT_TRUE(pumpUntil([&] { return !observed_.notices.empty(); }));
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)), kSequentialWriteNotice);

    command(IDC_CANCEL);
    EXPECT_TRUE(window_->runControl().cancelRequested());
    EXPECT_FALSE(IsWindowEnabled(control(IDC_CANCEL)));
    EXPECT_EQ(enabledIds(), std::set<int>{});
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)),
              L"Cancelling after current I/O, then removing temporary files...");
    const std::size_t noticesBeforeCancel = observed_.notices.size();

    ASSERT_TRUE(pumpUntil([&] { return runFinished(); }));
    // The cancelling text stayed until the run's own last notice replaced it.
    ASSERT_EQ(observed_.notices.size(), noticesBeforeCancel + 1);
    EXPECT_EQ(observed_.statusBeforeNotice.back(),
              L"Cancelling after current I/O, then removing temporary files...");
    EXPECT_EQ(observed_.notices.back().message, "Cancelled");
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)), L"Cancelled");
    EXPECT_EQ(window_->runControl().currentResult()->status, RunStatus::kCancelled);
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(selectedRow(), 0);
    EXPECT_EQ(services_.saveRequests.size(), 1u);
    EXPECT_EQ(enabledIds().count(IDC_START), 1u);
}

TEST_F(RunControlTest, ClosingDuringARunWaitsForTheRowAndOffersNoSave) {
    openIdleWindow(runningWith(runHeldInSequentialWrite));
    chooseFolderAndDepth(testFolder(), 0);
    command(IDC_START);
    ASSERT_TRUE(pumpUntil([&] { return !observed_.notices.empty(); }));

    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);  // twice: nothing more happens
    EXPECT_TRUE(IsWindow(hwnd_));
    EXPECT_TRUE(window_->closing());
    EXPECT_TRUE(window_->runControl().cancelRequested());
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)),
              L"Finishing current I/O and cleanup before closing...");

    ASSERT_TRUE(pumpUntil([&] { return observed_.destroyed; }));
    EXPECT_FALSE(IsWindow(hwnd_));
    EXPECT_EQ(observed_.rowsWhenDestroyed, 1u) << "the run was in the table first";
    EXPECT_TRUE(services_.saveRequests.empty());
    EXPECT_TRUE(services_.messages.empty());
    EXPECT_EQ(window_->runControl().currentResult()->status, RunStatus::kCancelled);
}

TEST_F(RunControlTest, StartRefusesAMissingFolderABadModelSizeOrNoThread) {
    openIdleWindow(runningWith(shortRun));
    const struct {
        fs::path folder;
        const wchar_t* modelSize;
        bool refuseThread;
        std::string message;
    } cases[] = {
        {testFolder() / "missing", L"6.6", false, kChooseExistingFolderMessage},
        {testFolder(), L"abc", false, kIncompleteModelSizeMessage},
        {testFolder(), L"6.6", true, ""},
    };
    for (const auto& c : cases) {
        BackgroundWork work = runningWith(shortRun);
        if (c.refuseThread)
            work.startThread = refuseThread;
        window_->setBackgroundWork(work);
        SetWindowTextW(control(IDC_FOLDER), c.folder.c_str());
        SetWindowTextW(control(IDC_MODEL_SIZE), c.modelSize);
        services_.messages.clear();
        command(IDC_START);
        ASSERT_EQ(services_.messages.size(), 1u);
        const auto& box = services_.messages[0];
        EXPECT_EQ(box.title, L"Cannot start test");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        if (c.refuseThread)
            EXPECT_NE(box.text.find(L"No thread for the test"), std::wstring::npos) << box.text;
        else
            EXPECT_EQ(box.text, fromUtf8(c.message));
        EXPECT_FALSE(window_->busy());
        EXPECT_EQ(enabledIds(), kIdleInputs);
    }
    EXPECT_EQ(rows(), 0);
}

TEST_F(RunControlTest, StartOffersOnceToRemoveAKilledRunsLeftoversAndRunsEitherWay) {
    openIdleWindow(runningWith(shortRun));
    chooseFolderAndDepth(testFolder(), 0);
    const fs::path leftover = testFolder() / ".orvane-varnolt-00112233445566778899aabbccddeeff";
    const fs::path decoy = testFolder() / ".orvane-varnolt-ffeeddccbbaa99887766554433221100";
    fs::create_directories(decoy);
    writeWholeFile(decoy / "workload.bin", "looks like ours");
    writeWholeFile(decoy / "thesis.tex", "mine");
    for (const int answer : {IDNO, IDYES}) {
        fs::create_directories(leftover);
        writeWholeFile(leftover / "workload.bin", std::string(1048576, 'x'));
        services_.messages.clear();
        services_.messageAnswers = {answer};
        command(IDC_START);
        ASSERT_TRUE(pumpUntil([&] { return runFinished(); }, 60)) << "the run goes ahead";
        ASSERT_EQ(services_.messages.size(), 1u) << "asked once, and only for the removable one";
        EXPECT_EQ(services_.messages[0].text,
                  L"This folder holds 1 folder (1.0 MiB) left by an earlier test that was "
                  L"stopped. Remove it before this test?");
        EXPECT_EQ(services_.messages[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ(fs::exists(leftover), answer == IDNO);
        EXPECT_EQ(readWholeFile(decoy / "thesis.tex"), "mine");
        EXPECT_TRUE(fs::exists(decoy / "workload.bin"));
    }
}

TEST_F(RunControlTest, ARunWhoseReportCannotBeMadeStaysCurrentAndSaysWhy) {
    openIdleWindow(runningWith([](const RunOptions& options, const std::atomic<bool>& cancel,
                                  const ProgressCallback& progress) {
        RunResult result = shortRun(options, cancel, progress);
        result.volume.freeBytesBefore = result.volume.totalBytes + 1;  // the import refuses it
        return result;
    }));
    chooseFolderAndDepth(testFolder(), 0);
    command(IDC_START);
    ASSERT_TRUE(pumpUntil([&] { return runFinished(); }));
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)),
              L"Completed - the report could not be made: Free space exceeds capacity.");
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(services_.saveRequests.empty()) << "no dialog for a report that cannot be written";
    EXPECT_TRUE(services_.messages.empty());
    std::set<int> idle = kIdleInputs;
    idle.insert({IDC_SAVE_JSON, IDC_SAVE_CSV});
    EXPECT_EQ(enabledIds(), idle);
}

class ResultsFolderTest : public RunControlTest {
  protected:
    // A window that has finished one short run, with the save dialog cancelled.
    void finishOneRun() {
        openIdleWindow(runningWith(shortRun));
        chooseFolderAndDepth(testFolder(), 0);
        command(IDC_START);
        ASSERT_TRUE(pumpUntil([&] { return runFinished(); }));
        ASSERT_EQ(services_.saveRequests.size(), 1u);
        services_.saveRequests.clear();
    }
    void importFiles(std::vector<fs::path> files) {
        services_.openAnswers.push_back(std::move(files));
        command(IDC_IMPORT);
        ASSERT_TRUE(pumpUntil([&] { return !window_->busy(); }));
    }
    std::string sample(const char* name) {
        return readWholeFile(orvane::testing::sampleReportsFolder() / name);
    }
};

TEST_F(ResultsFolderTest, StartUpWithoutAResultsFolderLoadsNothingQuietly) {
    openWindow();
    beginStartUpLoad();
    EXPECT_TRUE(window_->busy());
    EXPECT_EQ(window_->activity(), WindowActivity::Loading);
    EXPECT_EQ(enabledIds(), std::set<int>{}) << "not even Cancel while loading";
    ASSERT_TRUE(pumpUntil([&] { return !window_->busy(); }));
    EXPECT_NE(window_->activity(), WindowActivity::Loading);
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(services_.messages.empty());
    EXPECT_FALSE(fs::exists(results()));
    EXPECT_EQ(enabledIds(), kIdleInputs);
}

TEST_F(ResultsFolderTest, StartUpLoadsTheJsonFilesAndNamesTheBadOnes) {
    fs::create_directories(results());
    writeWholeFile(results() / "a.json", sample(orvane::testing::kSuitableSample));
    writeWholeFile(results() / "b.JSON", sample(orvane::testing::kCautionSample));
    writeWholeFile(results() / "c.txt", sample(orvane::testing::kNotRecommendedSample));
    writeWholeFile(results() / "huge.json", std::string(kReportSizeLimit + 1, ' '));
    writeWholeFile(results() / "twice.json", R"({"schemaVersion": 1, "schemaVersion": 1})");
    openIdleWindow();
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(cell(0, 1), L"USB SSD 1TB - Suitable");
    EXPECT_EQ(cell(1, 1), L"SD card 128GB - Caution");
    ASSERT_EQ(services_.messages.size(), 1u);
    const auto& box = services_.messages[0];
    EXPECT_EQ(box.title, L"Some reports could not be loaded");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_NE(box.text.find(L"huge.json: Report exceeds 2 MiB.\r\n"), std::wstring::npos);
    EXPECT_NE(box.text.find(L"twice.json: Duplicate JSON key.\r\n"), std::wstring::npos);
}

TEST_F(ResultsFolderTest, AnUnreadableResultsFolderOrNoLoaderThreadIsReportedAndNeverBusy) {
    writeWholeFile(results(), "a file where the folder belongs");
    openIdleWindow();
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, L"Some reports could not be loaded");
    EXPECT_EQ(services_.messages[0].text.rfind(L"results: Cannot list the results folder: ", 0),
              0u);
    EXPECT_EQ(enabledIds(), kIdleInputs);
    window_.reset();
    fs::remove(results());

    services_.messages.clear();
    BackgroundWork noThread = BackgroundWork::product();
    noThread.startThread = refuseThread;
    openWindow(noThread);
    ASSERT_TRUE(pumpUntil([&] { return !services_.messages.empty(); }));
    EXPECT_FALSE(window_->busy());
    EXPECT_NE(window_->activity(), WindowActivity::Loading);
    EXPECT_EQ(services_.messages[0].title, L"Some reports could not be loaded");
    EXPECT_NE(services_.messages[0].text.find(L"No thread for the test"), std::wstring::npos);
    EXPECT_EQ(enabledIds(), kIdleInputs);
}

TEST_F(ResultsFolderTest, ClosingWhileLoadingDestroysTheWindowAfterTheRowsWithoutTheBox) {
    fs::create_directories(results());
    writeWholeFile(results() / "a.json", sample(orvane::testing::kSuitableSample));
    writeWholeFile(results() / "bad.json", "{}");
    openWindow();
    beginStartUpLoad();
    ASSERT_EQ(window_->activity(), WindowActivity::Loading);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd_));
    EXPECT_TRUE(window_->closing());
    ASSERT_TRUE(pumpUntil([&] { return observed_.destroyed; }));
    EXPECT_EQ(observed_.rowsWhenDestroyed, 1u);
    EXPECT_TRUE(services_.messages.empty()) << "no problem box for a closing window";
}

TEST_F(ResultsFolderTest, ClosingWhileLoadingClosesEvenWhenTheRowsCannotBeShown) {
    BackgroundWork work = BackgroundWork::product();
    work.startThread = [](std::function<void()>) { return std::thread([] {}); };  // loads nothing
    openWindow(std::move(work));
    beginStartUpLoad();
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(hwnd_));
    // A row whose document lacks the texts the table shows: showing it throws.
    auto result = std::make_unique<ReportLoadResult>();
    result->rows.emplace_back();
    result->rows.back().document = std::make_shared<const nlohmann::json>(nlohmann::json::object());
    ASSERT_TRUE(postRecord(hwnd_, WM_APP_REPORTS_LOADED, std::move(result)));
    EXPECT_TRUE(pumpUntil([&] { return observed_.destroyed; }, 5.0));
}

TEST_F(ResultsFolderTest, ImportStoresCopiesUnderFreeNamesAndOnlyOnce) {
    fs::create_directories(results());
    writeWholeFile(results() / "run.json", sample(orvane::testing::kCautionSample));
    orvane::testing::TempFolder chosen;
    writeWholeFile(chosen.path() / "run.json", sample(orvane::testing::kSuitableSample));
    openIdleWindow();
    ASSERT_EQ(rows(), 1);

    importFiles({chosen.path() / "run.json"});
    EXPECT_EQ(services_.openDialogTitles,
              std::vector<std::wstring>{L"Import Varnolt reports | Varnolt JSON | *.json"});
    ASSERT_EQ(rows(), 2);
    EXPECT_TRUE(fs::exists(results() / "run-1.json"));
    EXPECT_EQ(readWholeFile(results() / "run.json"), sample(orvane::testing::kCautionSample));
    EXPECT_TRUE(services_.messages.empty());

    const auto before = snapshotFolder(results());
    importFiles({chosen.path() / "run.json"});  // already stored: nothing copied
    EXPECT_EQ(snapshotFolder(results()), before);
    EXPECT_EQ(rows(), 2);

    // Two files of one new run in one import: one copy, one row.
    writeWholeFile(chosen.path() / "x.json", sample(orvane::testing::kNotRecommendedSample));
    writeWholeFile(chosen.path() / "y.json", sample(orvane::testing::kNotRecommendedSample));
    importFiles({chosen.path() / "x.json", chosen.path() / "y.json"});
    EXPECT_EQ(rows(), 3);
    EXPECT_TRUE(fs::exists(results() / "x.json"));
    EXPECT_FALSE(fs::exists(results() / "y.json"));

    // Cancelling the dialog changes nothing.
    command(IDC_IMPORT);
    EXPECT_FALSE(window_->busy());
    EXPECT_EQ(snapshotFolder(results()).size(), 3u);
}

TEST_F(ResultsFolderTest, SavingCsvLeavesTheTableAndJsonRecordsThePath) {
    finishOneRun();
    const std::wstring rowBefore = cell(0, 1);
    const std::wstring detailsBefore = windowText(window_->control(IDC_DETAILS));

    services_.saveAnswers.push_back(results() / "table.csv");
    command(IDC_SAVE_CSV);
    ASSERT_EQ(services_.saveRequests.size(), 1u);
    EXPECT_EQ(services_.saveRequests[0].filterName, L"CSV report");
    EXPECT_EQ(services_.saveRequests[0].defaultExtension, L"csv");
    EXPECT_EQ(services_.saveRequests[0].suggestedName,
              suggestedReportFileName(*window_->runControl().currentResult(), true));
    EXPECT_EQ(readWholeFile(results() / "table.csv"),
              writeReportCsv(*window_->runControl().currentResult()));
    EXPECT_EQ(cell(0, 1), rowBefore);
    EXPECT_EQ(windowText(window_->control(IDC_DETAILS)), detailsBefore);
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)), L"Saved table.csv");

    services_.saveAnswers.push_back(results() / "my drive.json");
    command(IDC_SAVE_JSON);
    ASSERT_EQ(rows(), 1) << "the same run keeps one row";
    EXPECT_EQ(cell(0, 1).rfind(L"my drive - ", 0), 0u) << cell(0, 1);
    const std::wstring details = windowText(window_->control(IDC_DETAILS));
    EXPECT_NE(details.find(L"\r\nSaved report: " + (results() / "my drive.json").native()),
              std::wstring::npos)
        << details;
    EXPECT_TRUE(services_.messages.empty());
}

TEST_F(ResultsFolderTest, AFailedSaveAsksAgainAndKeepsThePreviousFile) {
    finishOneRun();
    const fs::path previous = results() / "kept.json";
    writeWholeFile(previous, "the user's earlier report");
    {
        // Held open without sharing, the file cannot be replaced.
        UniqueFileHandle held(CreateFileW(previous.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        services_.saveAnswers.push_back(previous);
        services_.saveAnswers.push_back(std::nullopt);
        command(IDC_SAVE_JSON);
    }
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, L"Save failed - choose another location or cancel");
    EXPECT_EQ(services_.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(services_.messages[0].text, L"Cannot save report; previous archive was preserved.");
    EXPECT_EQ(services_.saveRequests.size(), 2u) << "the dialog came back";
    EXPECT_EQ(readWholeFile(previous), "the user's earlier report");
    EXPECT_EQ(snapshotFolder(results()).size(), 1u) << "no temporary file left";
    EXPECT_EQ(windowText(window_->control(IDC_DETAILS)).find(L"Saved report:"), std::wstring::npos);

    // A results folder that cannot be made is said first; the dialog still opens.
    fs::remove_all(results());
    writeWholeFile(results(), "a file where the folder belongs");
    services_.messages.clear();
    services_.saveAnswers.push_back(home_.path() / "elsewhere.json");
    command(IDC_SAVE_JSON);
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, L"Results folder unavailable");
    EXPECT_TRUE(fs::exists(home_.path() / "elsewhere.json"));
}

TEST_F(ResultsFolderTest, OpenResultsFolderMakesItOrSaysWhyNot) {
    openIdleWindow();
    command(IDC_OPEN_RESULTS);
    EXPECT_EQ(services_.openedFolders, std::vector<fs::path>{results()});
    EXPECT_TRUE(fs::is_directory(results()));

    fs::remove(results());
    writeWholeFile(results(), "a file where the folder belongs");
    command(IDC_OPEN_RESULTS);
    EXPECT_EQ(services_.openedFolders.size(), 1u);
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, L"Cannot open results");
    EXPECT_EQ(services_.messages[0].text.rfind(L"Cannot create the results folder: ", 0), 0u);
}

TEST(PostedRecordTest, TheWindowOwnsAPostedRecordAndTheSenderOneThatCouldNotBePosted) {
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
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
