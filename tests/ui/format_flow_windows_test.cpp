// The window's format flow under Wine, with the disk review answered by the test (Wine's disk
// queries fail) and real short-lived processes standing in for the elevated script.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <commctrl.h>
#include <objbase.h>
#include <wincrypt.h>

#include "format/format_command.h"
#include "format/format_target_queries.h"
#include "format/format_target_rules.h"
#include "format/format_verification.h"
#include "storage/target_rules.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/scripted_desktop_services_windows.h"
#include "tests/ui/window_test_support_windows.h"
#include "ui/format_dialog_data.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/posted_messages_windows.h"
#include "ui/window_text_windows.h"

namespace orvane {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr wchar_t kCannotFormat[] = L"Orvane Varnolt - Cannot format";
constexpr wchar_t kFormattingStatus[] =
    L"Formatting as exFAT. Keep the drive connected; this operation cannot be cancelled.";

std::wstring wide(const char* utf8) {
    return std::wstring(utf8, utf8 + std::char_traits<char>::length(utf8));
}

FormatTarget reviewedStick() {
    FormatTarget t;
    t.volume.root = L"E:\\";
    t.volume.label = L"STICK";
    t.volume.filesystem = L"FAT32";
    t.volume.totalBytes = 30000 * kMiB;
    t.volume.allocationUnitBytes = 32768;
    t.volumePath = L"\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\";
    t.volumeSerial = 0xDEADBEEF;
    t.diskNumber = 3;
    t.busType = kBusUsb;
    t.deviceSerial = L"4C530001230517117073";
    t.partitionId = L"{01234567-89AB-CDEF-0123-456789ABCDEF}";
    t.diskId = L"{FEDCBA98-7654-3210-FEDC-BA9876543210}";
    t.partitionOffset = 16 * kMiB;
    t.partitionLength = 30000 * kMiB + kMiB;
    t.diskBytes = 30720 * kMiB;
    t.partitionNumber = 1;
    t.partitionStyle = kPartitionStyleGpt;
    return t;
}

// What the review reports after Windows formatted the stick: a new serial, the new filesystem.
FormatTarget formattedStick(const std::wstring& label, std::uint64_t allocation) {
    FormatTarget t = reviewedStick();
    t.volumeSerial = 0x1234ABCD;
    t.volume.label = label;
    t.volume.filesystem = L"exFAT";
    t.volume.allocationUnitBytes = allocation;
    return t;
}

// Answers the review in order; each answer returns a target or throws a refusal.
class ScriptedFormatQueries final : public FormatTargetQueries {
  public:
    std::deque<std::function<FormatTarget()>> answers;
    std::vector<std::filesystem::path> reviewed;
    int rechecks = 0;

    FormatTarget review(const std::filesystem::path& folder) override {
        reviewed.push_back(folder);
        if (answers.empty())
            throw std::runtime_error("no review was expected");
        auto answer = std::move(answers.front());
        answers.pop_front();
        return answer();
    }
    void recheck(const FormatTarget& saved) override {
        ++rechecks;
        requireSameFormatTarget(saved, review(std::filesystem::path(saved.volume.root)));
    }
    void willAnswer(const FormatTarget& target) {
        answers.push_back([target] { return target; });
    }
    void willRefuse(const char* message) {
        answers.push_back([message]() -> FormatTarget { throw std::runtime_error(message); });
    }
};

// A real process that ends with the given exit code, standing in for the elevated script.
UniqueKernelHandle processExitingWith(int code) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit " + std::to_wstring(code);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        throw std::runtime_error("cannot start cmd.exe");
    }
    CloseHandle(process.hThread);
    return UniqueKernelHandle(process.hProcess);
}

// A handle that can be waited on but is no process: its exit code cannot be read.
UniqueKernelHandle signalledEvent() {
    return UniqueKernelHandle(CreateEventW(nullptr, TRUE, TRUE, nullptr));
}

// The script text an -EncodedCommand parameter carries.
std::wstring decodedCommand(const std::wstring& parameters) {
    const std::wstring options = wide(std::string(kPowerShellOptions).c_str());
    if (parameters.compare(0, options.size(), options) != 0)
        return L"(no options)";
    const std::wstring base64 = parameters.substr(options.size());
    DWORD size = 0;
    if (!CryptStringToBinaryW(base64.c_str(), static_cast<DWORD>(base64.size()),
                              CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr)) {
        return L"(no Base64)";
    }
    std::wstring text(size / 2, L'\0');
    CryptStringToBinaryW(base64.c_str(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64,
                         reinterpret_cast<BYTE*>(text.data()), &size, nullptr, nullptr);
    return text;
}

INT_PTR eraseWith(FormatDialogData& data, const std::wstring& label, std::uint32_t cluster) {
    data.label = label;
    data.clusterBytes = cluster;
    return IDOK;
}

class FormatFlowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { orvane::testing::initWindowTests(); }

    void SetUp() override {
        window_ = std::make_unique<MainWindow>(services_, folder_.path() / "results");
        window_->formatFlow().useQueries(queries_);
        ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr)));
        hwnd_ = window_->handle();
        SetWindowTextW(window_->control(IDC_FOLDER), L"E:\\models");
    }

    HWND control(int id) const { return window_->control(id); }
    void pressFormat() {
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDC_FORMAT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control(IDC_FORMAT)));
    }
    int progress() const { return static_cast<int>(SendMessageW(progressBar(), PBM_GETPOS, 0, 0)); }
    HWND progressBar() const { return window_->control(IDC_PROGRESS); }

    // Runs the window's messages until done() or ten seconds.
    static bool pumpUntil(const std::function<bool()>& done) {
        return orvane::testing::pumpUntil(done, 10.0);
    }

    // Review, dialog answered with the name and allocation, re-check, launch of the process.
    void startFormatEndingWith(std::function<ElevatedStart()> process,
                               const std::wstring& label = L"MODELS",
                               std::uint32_t cluster = 131072) {
        queries_.willAnswer(reviewedStick());
        queries_.willAnswer(reviewedStick());
        services_.formatDialogAnswers.push_back(
            [label, cluster](FormatDialogData& data) { return eraseWith(data, label, cluster); });
        services_.elevatedAnswer = std::move(process);
        pressFormat();
    }

    void expectIdleWithNoFormat() {
        EXPECT_FALSE(window_->busy());
        EXPECT_NE(window_->activity(), WindowActivity::Formatting);
        EXPECT_TRUE(IsWindowEnabled(control(IDC_FORMAT)));
        EXPECT_TRUE(IsWindowEnabled(control(IDC_START)));
    }

    orvane::testing::TempFolder folder_;
    orvane::testing::ScriptedDesktopServices services_;
    ScriptedFormatQueries queries_;
    std::unique_ptr<MainWindow> window_;
    HWND hwnd_ = nullptr;
};

TEST_F(FormatFlowTest, ReviewRefusalShowsItsTextAndNoDialog) {
    queries_.willRefuse(format_refusal::kProgramVolume);
    pressFormat();
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, kCannotFormat);
    EXPECT_EQ(services_.messages[0].text, wide(format_refusal::kProgramVolume));
    EXPECT_EQ(services_.messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    ASSERT_EQ(queries_.reviewed.size(), 1u);
    EXPECT_EQ(queries_.reviewed[0], std::filesystem::path(L"E:\\models")) << "the folder text";
    EXPECT_TRUE(services_.formatDialogsShown.empty());
    EXPECT_TRUE(services_.launches.empty());
    expectIdleWithNoFormat();
}

TEST_F(FormatFlowTest, TheRealReviewUnderWineRefusesBeforeAnyDialog) {
    window_->formatFlow().useQueries(systemFormatTargetQueries());
    // No folder: the sentence Start shows, not the library's text.
    SetWindowTextW(control(IDC_FOLDER), L"");
    pressFormat();
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].text, wide(kChooseExistingFolderMessage));
    services_.messages.clear();

    SetWindowTextW(control(IDC_FOLDER), folder_.path().c_str());
    pressFormat();
    ASSERT_EQ(services_.messages.size(), 1u) << "Wine answers no disk query a format needs";
    EXPECT_EQ(services_.messages[0].title, kCannotFormat);
    EXPECT_FALSE(services_.messages[0].text.empty());
    EXPECT_TRUE(services_.formatDialogsShown.empty());
    EXPECT_TRUE(services_.launches.empty());
    expectIdleWithNoFormat();
}

TEST_F(FormatFlowTest, CancelledDialogChangesNothing) {
    queries_.willAnswer(reviewedStick());
    const std::wstring statusBefore = windowText(window_->control(IDC_STATUS));
    pressFormat();
    ASSERT_EQ(services_.formatDialogsShown.size(), 1u);
    const FormatDialogData& shown = services_.formatDialogsShown[0];
    EXPECT_EQ(shown.target.volumePath, reviewedStick().volumePath);
    EXPECT_EQ(shown.label, L"orvane");
    EXPECT_EQ(shown.clusterBytes, 0u);
    EXPECT_FALSE(shown.preview);
    EXPECT_EQ(queries_.rechecks, 0);
    EXPECT_TRUE(services_.launches.empty());
    EXPECT_TRUE(services_.messages.empty());
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)), statusBefore);
    expectIdleWithNoFormat();
}

TEST_F(FormatFlowTest, TargetChangedBeforeLaunchIsRefused) {
    queries_.willAnswer(reviewedStick());
    FormatTarget reformattedElsewhere = reviewedStick();
    reformattedElsewhere.volumeSerial = 0x0BADF00D;
    queries_.willAnswer(reformattedElsewhere);
    services_.formatDialogAnswers.push_back(
        [](FormatDialogData& data) { return eraseWith(data, L"MODELS", 0); });
    pressFormat();
    EXPECT_EQ(queries_.rechecks, 1);
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, kCannotFormat);
    EXPECT_EQ(services_.messages[0].text, wide(format_refusal::kChanged));
    EXPECT_TRUE(services_.launches.empty());
    expectIdleWithNoFormat();
}

TEST_F(FormatFlowTest, CompositionFailuresAreShownAndLaunchNothing) {
    struct Case {
        std::wstring label;
        std::uint32_t cluster;
        std::uint32_t bus;
        const char* message;
    };
    const Case cases[] = {
        {L"TWELVE CHARS", 0, kBusUsb, format_command_error::kParameters},
        {L"MODELS", 16384, kBusUsb, format_command_error::kParameters},
        {L"MODELS", 0, 11, format_command_error::kBus},
    };
    for (const Case& c : cases) {
        services_.messages.clear();
        FormatTarget target = reviewedStick();
        target.busType = c.bus;
        queries_.willAnswer(target);
        queries_.willAnswer(target);
        services_.formatDialogAnswers.push_back(
            [c](FormatDialogData& data) { return eraseWith(data, c.label, c.cluster); });
        pressFormat();
        ASSERT_EQ(services_.messages.size(), 1u) << c.message;
        EXPECT_EQ(services_.messages[0].text, wide(c.message));
        EXPECT_EQ(services_.messages[0].title, kCannotFormat);
        EXPECT_TRUE(services_.launches.empty()) << c.message;
        expectIdleWithNoFormat();
    }
}

TEST_F(FormatFlowTest, DeclinedOrUnwatchableElevationOnlySaysSo) {
    const struct {
        std::function<ElevatedStart()> answer;
        const wchar_t* status;
    } cases[] = {
        {[] { return ElevatedStart(); }, L"Format cancelled at administrator permission prompt."},
        // The script may be running: never "cancelled", never "verified".
        {[] { return ElevatedStart::withoutHandle(); },
         L"Format started, but its progress cannot be watched. Check the drive before using it."},
    };
    for (const auto& c : cases) {
        services_.launches.clear();
        startFormatEndingWith(c.answer);
        ASSERT_EQ(services_.launches.size(), 1u);
        EXPECT_EQ(windowText(window_->control(IDC_STATUS)), c.status);
        EXPECT_TRUE(services_.messages.empty());
        expectIdleWithNoFormat();
    }
}

// The shell's wait for the prompt dispatches the window's messages: a person can press
// anything or close the window meanwhile.
TEST_F(FormatFlowTest, TheWindowIsBusyWhileTheElevationPromptIsUp) {
    const auto pressEverythingThen = [this](bool close, std::function<ElevatedStart()> answer) {
        return [this, close, answer] {
            for (int id : {IDC_START, IDC_FORMAT, IDC_IMPORT})
                SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(control(id)));
            if (close)
                SendMessageW(hwnd_, WM_CLOSE, 0, 0);
            EXPECT_TRUE(IsWindow(hwnd_)) << "closing waits for the verdict";
            return answer();
        };
    };
    startFormatEndingWith(pressEverythingThen(false, [] { return ElevatedStart(); }));
    EXPECT_EQ(services_.formatDialogsShown.size(), 1u);
    EXPECT_TRUE(services_.openDialogTitles.empty());
    EXPECT_TRUE(services_.messages.empty()) << "no test started";
    expectIdleWithNoFormat();

    startFormatEndingWith(pressEverythingThen(true, [] { return processExitingWith(0); }));
    queries_.willAnswer(formattedStick(L"MODELS", 131072));
    ASSERT_TRUE(IsWindow(hwnd_));
    ASSERT_EQ(window_->activity(), WindowActivity::Formatting);
    ASSERT_TRUE(pumpUntil([this] { return !IsWindow(hwnd_); }));
    EXPECT_EQ(services_.formatDialogsShown.size(), 2u);
    EXPECT_TRUE(services_.openDialogTitles.empty());
    EXPECT_TRUE(queries_.answers.empty()) << "verified before the window went";
}

TEST_F(FormatFlowTest, FailedElevatedStartIsShown) {
    startFormatEndingWith([]() -> UniqueKernelHandle {
        throw std::runtime_error("Windows could not start the elevated formatting utility.");
    });
    ASSERT_EQ(services_.messages.size(), 1u);
    EXPECT_EQ(services_.messages[0].title, kCannotFormat);
    EXPECT_EQ(services_.messages[0].text,
              L"Windows could not start the elevated formatting utility.");
    EXPECT_NE(windowText(window_->control(IDC_STATUS)), kFormattingStatus);
    expectIdleWithNoFormat();
}

TEST_F(FormatFlowTest, LaunchesPowerShellElevatedWithTheReviewedParameters) {
    startFormatEndingWith([] { return UniqueKernelHandle(); });
    ASSERT_EQ(services_.launches.size(), 1u);
    const orvane::testing::ElevatedLaunch& launch = services_.launches[0];
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(launch.directory, std::filesystem::path(system));
    EXPECT_EQ(launch.program,
              std::filesystem::path(system) / L"WindowsPowerShell\\v1.0\\powershell.exe");
    const std::wstring command = decodedCommand(launch.parameters);
    EXPECT_EQ(command.rfind(L"$ExpectedVolume = '\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-"
                            L"a4b5c6d7e8f9}\\'; $ExpectedSerial = 3735928559; "
                            L"$ExpectedDiskNumber = 3; $ExpectedBusType = 7; "
                            L"$ExpectedDriveLetter = 'E'; $AllocationUnitSize = 131072;\r\n"
                            L"$NewLabel = 'MODELS'; ",
                            0),
              0u)
        << command.substr(0, 400);
    EXPECT_NE(command.find(L"$ExpectedPartitionId = '{01234567-89AB-CDEF-0123-456789ABCDEF}'"),
              std::wstring::npos);
}

TEST_F(FormatFlowTest, VerifiedFormatReportsTheActualAllocation) {
    queries_.willAnswer(reviewedStick());
    queries_.willAnswer(reviewedStick());
    queries_.willAnswer(formattedStick(L"MODELS", 131072));
    services_.formatDialogAnswers.push_back(
        [](FormatDialogData& data) { return eraseWith(data, L"MODELS", 131072); });
    services_.elevatedAnswer = [] { return processExitingWith(0); };
    pressFormat();

    // While the script runs: busy, nothing to press, not even Cancel.
    EXPECT_TRUE(window_->busy());
    EXPECT_EQ(window_->activity(), WindowActivity::Formatting);
    EXPECT_EQ(window_->runControl().currentResult(), nullptr);
    for (int id : kCommandControlIds)
        EXPECT_FALSE(IsWindowEnabled(control(id))) << id;
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)), kFormattingStatus);
    EXPECT_EQ(windowText(window_->control(IDC_DETAILS)),
              L"The reviewed volume is being formatted. Benchmarking is disabled until Windows "
              L"finishes.");
    EXPECT_EQ(progress(), 0);
    ASSERT_TRUE(window_->formatFlow().pending().has_value());
    EXPECT_EQ(window_->formatFlow().pendingRoot(), std::filesystem::path(L"E:\\"));
    EXPECT_EQ(window_->formatFlow().pending()->label, L"MODELS");
    EXPECT_EQ(window_->formatFlow().pending()->clusterBytes, 131072u);

    ASSERT_TRUE(pumpUntil([this] { return !(window_->activity() == WindowActivity::Formatting); }));
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)),
              L"Format verified. Select a live target again.");
    EXPECT_EQ(windowText(window_->control(IDC_DETAILS)),
              L"Verified exFAT label MODELS; actual allocation 128.0 KiB. Select a live drive and "
              L"run a fresh benchmark.");
    EXPECT_EQ(progress(), 100);
    EXPECT_EQ(windowText(control(IDC_FOLDER)), L"");
    ASSERT_EQ(queries_.reviewed.size(), 3u);
    EXPECT_EQ(queries_.reviewed[2], std::filesystem::path(L"E:\\")) << "the saved root";
    EXPECT_TRUE(services_.messages.empty());
    expectIdleWithNoFormat();
    EXPECT_FALSE(IsWindowEnabled(control(IDC_SAVE_JSON))) << "the old result is gone";
    EXPECT_FALSE(IsWindowEnabled(control(IDC_CANCEL)));
}

struct Outcome {
    const char* name;
    std::function<UniqueKernelHandle()> process;
    std::function<void(ScriptedFormatQueries&)> reviewAfter;  // nothing when never asked
    std::wstring details;
};

void PrintTo(const Outcome& outcome, std::ostream* out) {
    *out << outcome.name;
}

const std::wstring kSuffix = wide(format_verdict_text::kNotVerifiedSuffix);

const Outcome kOutcomes[] = {
    {"LabelInOtherLetterCase", [] { return processExitingWith(0); },
     [](ScriptedFormatQueries& q) { q.willAnswer(formattedStick(L"models", 131072)); },
     wide(format_verdict_text::kResultDiffers) + kSuffix},
    {"OtherAllocation", [] { return processExitingWith(0); },
     [](ScriptedFormatQueries& q) { q.willAnswer(formattedStick(L"MODELS", 65536)); },
     wide(format_verdict_text::kResultDiffers) + kSuffix},
    {"ChangedDeviceIdentity", [] { return processExitingWith(0); },
     [](ScriptedFormatQueries& q) {
         FormatTarget other = formattedStick(L"MODELS", 131072);
         other.deviceSerial = L"AA0000000000000000000";
         q.willAnswer(other);
     },
     wide(format_verdict_text::kIdentityChanged) + kSuffix},
    {"ReviewRefusesAfterwards", [] { return processExitingWith(0); },
     [](ScriptedFormatQueries& q) { q.willRefuse(format_refusal::kBus); },
     wide(format_refusal::kBus) + kSuffix},
    {"ScriptFailed", [] { return processExitingWith(2); }, nullptr, kSuffix},
    {"NonZeroExitCode", [] { return processExitingWith(1); }, nullptr, kSuffix},
    {"ExitCodeUnreadable", [] { return signalledEvent(); }, nullptr, kSuffix},
};

class FormatOutcomeTest : public FormatFlowTest, public ::testing::WithParamInterface<Outcome> {};

TEST_P(FormatOutcomeTest, AnythingButAVerifiedVolumeIsNotVerified) {
    const Outcome& outcome = GetParam();
    if (outcome.reviewAfter)
        outcome.reviewAfter(queries_);
    queries_.answers.push_front([] { return reviewedStick(); });
    queries_.answers.push_front([] { return reviewedStick(); });
    services_.formatDialogAnswers.push_back(
        [](FormatDialogData& data) { return eraseWith(data, L"MODELS", 131072); });
    services_.elevatedAnswer = outcome.process;
    pressFormat();
    ASSERT_EQ(window_->activity(), WindowActivity::Formatting);
    ASSERT_TRUE(pumpUntil([this] { return !(window_->activity() == WindowActivity::Formatting); }));

    EXPECT_EQ(windowText(window_->control(IDC_STATUS)),
              L"Format could not be verified. Contents may have changed.");
    EXPECT_EQ(windowText(window_->control(IDC_DETAILS)), outcome.details);
    EXPECT_EQ(progress(), 0);
    EXPECT_EQ(queries_.reviewed.size(), outcome.reviewAfter ? 3u : 2u)
        << "the volume is reviewed again only after exit code 0";
    EXPECT_TRUE(queries_.answers.empty());
    expectIdleWithNoFormat();
}

INSTANTIATE_TEST_SUITE_P(EveryDoubt, FormatOutcomeTest, ::testing::ValuesIn(kOutcomes),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(FormatFlowTest, ClosingDuringAFormatWaitsForTheVerdictThenCloses) {
    // Exit code 0, but the volume is not what was asked for.
    queries_.answers.push_back([] { return formattedStick(L"OTHER", 131072); });
    queries_.answers.push_front([] { return reviewedStick(); });
    queries_.answers.push_front([] { return reviewedStick(); });
    services_.formatDialogAnswers.push_back(
        [](FormatDialogData& data) { return eraseWith(data, L"MODELS", 131072); });
    services_.elevatedAnswer = [] { return processExitingWith(0); };
    pressFormat();
    ASSERT_EQ(window_->activity(), WindowActivity::Formatting);

    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd_)) << "a format is never abandoned";
    EXPECT_TRUE(window_->closing());
    EXPECT_FALSE(window_->runControl().cancelRequested());
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)),
              L"Waiting for formatting to finish before closing...");

    ASSERT_TRUE(pumpUntil([this] { return !IsWindow(hwnd_); }));
    MSG quit{};
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    EXPECT_EQ(queries_.reviewed.size(), 3u) << "verified before the window went";
    ASSERT_EQ(services_.messages.size(), 1u) << "the verdict is shown before the window goes";
    EXPECT_EQ(services_.messages[0].text.rfind(
                  L"Format could not be verified. Contents may have changed.\r\n\r\n", 0),
              0u)
        << services_.messages[0].text;
    EXPECT_NE(services_.messages[0].text.find(wide(format_verdict_text::kResultDiffers)),
              std::wstring::npos);
    EXPECT_NE(window_->activity(), WindowActivity::Formatting);
}

TEST_F(FormatFlowTest, StrayExitMessagesAndBusyClicksChangeNothing) {
    const std::wstring statusBefore = windowText(window_->control(IDC_STATUS));
    SendMessageW(hwnd_, WM_APP_FORMAT_EXITED, 0, 0);
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)), statusBefore);
    EXPECT_TRUE(queries_.reviewed.empty());

    // A benchmark (or report load) holds the window: no format starts, and an exit message
    // that is not ours neither joins its thread nor frees the window.
    window_->setActivity(WindowActivity::Running);
    pressFormat();
    SendMessageW(hwnd_, WM_APP_FORMAT_EXITED, 0, 0);
    EXPECT_TRUE(window_->busy());
    EXPECT_TRUE(queries_.reviewed.empty());
    EXPECT_TRUE(services_.formatDialogsShown.empty());
    EXPECT_EQ(windowText(window_->control(IDC_STATUS)), statusBefore);
    window_->setActivity(WindowActivity::Idle);
}

}  // namespace
}  // namespace orvane
