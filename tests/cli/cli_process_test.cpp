// The shipped program started as a process: natively on Linux, the exe under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "orvane_version.h"
#include "platform/text_encoding.h"
#include "tests/support/temp_folder.h"
#ifdef _WIN32
#include "platform/unique_handle_windows.h"
#include "platform/windows_api.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "engine/run_leftovers.h"

extern char** environ;
#endif

#ifdef ORVANE_CLI_PROGRAM

namespace orvane {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// The build runs on Linux; Wine shows its root as drive Z:.
std::wstring programPath() {
    std::wstring path = fromUtf8(ORVANE_CLI_PROGRAM);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path.size() > 1 && path[1] == L':' ? path : L"Z:" + path;
}

int runProgram(const std::vector<std::string>& arguments) {
    const std::wstring program = programPath();
    std::wstring commandLine = L"\"" + program + L"\"";
    for (const auto& argument : arguments)
        commandLine += L" \"" + fromUtf8(argument) + L"\"";  // no quotes inside
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        throw std::runtime_error("cannot start the program");
    }
    const UniqueKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
#else
// Starts the program without waiting, its output and errors going to outputFile.
int startProgram(const std::vector<std::string>& arguments, const std::string& outputFile) {
    std::vector<std::string> texts{ORVANE_CLI_PROGRAM};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start the program");
    return pid;
}

// The exit code, or 128 + the signal that ended it.
int waitProgram(int pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) != pid) {
        if (errno != EINTR)
            return -1;  // never an exit code a test expects
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// Runs the program to its end; printed gets what it wrote.
int runProgram(const std::vector<std::string>& arguments, std::string* printed = nullptr) {
    testing::TempFolder folder;
    const std::string output = (folder.path() / "out").string();
    const int code = waitProgram(startProgram(arguments, output));
    if (printed != nullptr)
        *printed = testing::readWholeFile(output);
    return code;
}
#endif

std::vector<std::string> quickRun(const fs::path& folder, const fs::path& report,
                                  const char* sizeMiB = "16", const char* files = "4") {
    return {"--benchmark", toUtf8(folder.native()),
            "--report",    toUtf8(report.native()),
            "--size-mib",  sizeMiB,
            "--seconds",   "0.1",
            "--files",     files};
}

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// Exit 0 with a complete report, 2 with a report of a run that could not complete, 3 on bad
// usage; an existing report is never touched.
TEST(CliProcess, ExitCodesAndReports) {
    testing::TempFolder folder(fs::current_path());
    const auto report = folder.path() / "report.json";
    EXPECT_EQ(runProgram(quickRun(folder.path(), report)), 0);
    const std::string text = testing::readWholeFile(report);
    EXPECT_NE(text.find("\"status\": \"Completed\""), std::string::npos);
    EXPECT_EQ(runProgram(quickRun(folder.path(), report)), 3);
    EXPECT_EQ(testing::readWholeFile(report), text);
    EXPECT_EQ(runProgram(quickRun(folder.path(), folder.path() / "failed.json", "16", "0")), 2);
    EXPECT_EQ(entries(folder.path()), 2u);  // nothing of the runs is left
}

#ifdef _WIN32
// The exe's version resource as Windows' own reader (version.dll) hands it to Explorer.
TEST(ProgramVersion, PropertiesShowTheProjectVersion) {
    const std::wstring path = programPath();
    std::vector<unsigned char> block(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_FALSE(block.empty()) << "no version resource";
    ASSERT_TRUE(
        GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const std::pair<const wchar_t*, std::string> rows[] = {
        {L"FileVersion", ORVANE_VERSION_TEXT},      {L"ProductVersion", ORVANE_VERSION_TEXT},
        {L"ProductName", "Orvane Varnolt"},         {L"LegalCopyright", ORVANE_COPYRIGHT_TEXT},
        {L"OriginalFilename", "OrvaneVarnolt.exe"},
    };
    for (const auto& [name, value] : rows) {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        void* found = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), key.c_str(), &found, &length)) << toUtf8(key);
        EXPECT_EQ(toUtf8(static_cast<const wchar_t*>(found)), value) << toUtf8(key);
    }
}
#else
// Linux talks only when something is wrong: one line on exit 3, nothing on success.
TEST(CliProcess, LinuxAnswersOnItsOutputWithTheRightExitCode) {
    testing::TempFolder folder(fs::current_path());
    const fs::path report = folder.path() / "r.json";
    testing::writeWholeFile(report, "mine");
    const std::string usage = "Usage: orvane-varnolt --benchmark FOLDER --report FILE";
    // The arguments, the exit code, the output and whether that is all of it or only its start.
    const std::tuple<std::vector<std::string>, int, std::string, bool> rows[] = {
        {{}, 3, usage, false},
        {{"--help"}, 0, usage, false},
        {{"--version"}, 0, "orvane-varnolt " ORVANE_VERSION_TEXT "\n", true},
        // Beside other options they are unknown options: no report, one line saying why.
        {{"--help", "x"}, 3, "orvane-varnolt: ", false},
        {{"--version", "--benchmark"}, 3, "orvane-varnolt: ", false},
        {{"--preview-format-dialog"}, 3, usage, false},
        {quickRun(folder.path(), report), 3,
         "orvane-varnolt: the report file already exists: " + report.string() + "\n", true},
        // Not a terminal: no progress line.
        {quickRun(folder.path(), folder.path() / "done.json"), 0, "", true},
    };
    for (const auto& [arguments, code, output, whole] : rows) {
        std::string out;
        EXPECT_EQ(runProgram(arguments, &out), code) << out;
        EXPECT_EQ(whole ? out : out.substr(0, output.size()), output);
    }
}

// The scratch folder once the run's test file exists in it.
fs::path waitForTestFile(const fs::path& folder) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (isScratchFolderName(entry.path().filename().string()) &&
                fs::exists(entry.path() / "workload.bin")) {
                return entry.path();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

TEST(CliProcess, InterruptedRunRemovesItsFilesAndReportsCancelled) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        testing::TempFolder folder(fs::current_path());
        const fs::path report = folder.path() / "report.json";
        const int pid = startProgram(quickRun(folder.path(), report, "1024"), "/dev/null");
        ASSERT_FALSE(waitForTestFile(folder.path()).empty());
        ::kill(pid, signal);
        ::kill(pid, signal);  // a second one while cleaning up never abandons the cleanup
        EXPECT_EQ(waitProgram(pid), 2) << signal;
        const std::string text = testing::readWholeFile(report);
        EXPECT_NE(text.find("\"status\": \"Cancelled\""), std::string::npos) << signal;
        EXPECT_EQ(entries(folder.path()), 1u) << signal;  // the report alone
    }
}

TEST(CliProcess, KilledRunIsListedAndRemovedWithoutTouchingADecoy) {
    testing::TempFolder folder(fs::current_path());
    const int pid =
        startProgram(quickRun(folder.path(), folder.path() / "killed.json", "1024"), "/dev/null");
    const fs::path leftover = waitForTestFile(folder.path());
    ASSERT_FALSE(leftover.empty());
    ::kill(pid, SIGKILL);
    EXPECT_EQ(waitProgram(pid), 128 + SIGKILL);
    const fs::path decoy = folder.path() / ".orvane-varnolt-0123456789abcdef0123456789abcdef";
    fs::create_directory(decoy);
    testing::writeWholeFile(decoy / "workload.bin", "looks like ours");
    testing::writeWholeFile(decoy / "thesis.tex", "mine");
    const auto says = [](const std::string& printed, const std::string& part) {
        return printed.find(part) != std::string::npos;
    };
    std::string printed;
    EXPECT_EQ(runProgram(quickRun(folder.path(), folder.path() / "r.json"), &printed), 0);
    EXPECT_TRUE(says(printed, "an earlier run that was stopped left " + leftover.string()));
    EXPECT_TRUE(says(printed, "not removable: " + decoy.string())) << printed;
    EXPECT_EQ(runProgram({"--remove-leftovers", folder.path().string()}, &printed), 3);
    EXPECT_TRUE(says(printed, "removed " + leftover.string()));
    EXPECT_TRUE(says(printed, "not removed: " + decoy.string())) << printed;
    EXPECT_FALSE(fs::exists(leftover));
    fs::remove_all(decoy);
    EXPECT_EQ(runProgram({"--remove-leftovers", folder.path().string()}, &printed), 3);
    EXPECT_TRUE(says(printed, "no leftovers")) << printed;
}
#endif

}  // namespace
}  // namespace orvane

#endif
