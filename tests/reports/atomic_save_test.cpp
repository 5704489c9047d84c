// Saving a report over the previous one, and the file names reports are offered under.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/text_encoding.h"
#include "reports/atomic_save.h"
#include "reports/report_file_name.h"
#include "reports/suggested_report_name.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"
#ifdef _WIN32
#include "platform/unique_handle_windows.h"
#else
#include <sys/resource.h>

#include <csignal>
#endif

namespace orvane::testing {
namespace {

using Names = std::vector<std::filesystem::path>;

Names folderEntries(const std::filesystem::path& folder) {
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string saveError(const std::filesystem::path& target, const std::string& text) {
    return messageOf([&] { saveReportAtomically(target, text); });
}

TEST(AtomicSave, TargetHoldsTheTextAndNothingElseRemains) {
    TempFolder folder;
    const auto target = folder.path() / fromUtf8("R\xC3\xA9port.json");
    const std::string text = std::string("{\r\n\0binary\xFF", 12) + std::string(100000, 'x');
    saveReportAtomically(target, text);
    EXPECT_EQ(readWholeFile(target), text);
    saveReportAtomically(target, "");  // replaces
    EXPECT_EQ(readWholeFile(target), "");
    EXPECT_EQ(folderEntries(folder.path()), Names{target.filename()});
}

// Each way a save fails: its message, the previous report kept and no temporary left.
TEST(AtomicSave, FailureKeepsThePreviousReport) {
    TempFolder folder;
    const auto target = folder.path() / "report.json";
    EXPECT_EQ(saveError(folder.path() / "absent" / "report.json", "x"),
              kCannotCreateTemporaryReport);
    std::filesystem::create_directory(target);
    writeWholeFile(target / "inside", "kept");
    EXPECT_EQ(saveError(target, "text"), kCannotSaveReport);
    EXPECT_EQ(readWholeFile(target / "inside"), "kept");
    std::filesystem::remove_all(target);
    writeWholeFile(target, "previous archive");
#ifdef _WIN32
    const UniqueFileHandle held(CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(saveError(target, "new text"), kCannotSaveReport);
#else
    // A file size limit stops the write part-way with EFBIG.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_EQ(saveError(target, std::string(5000, 'n')), kCannotSaveReport);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
#endif
    EXPECT_EQ(readWholeFile(target), "previous archive");
    EXPECT_EQ(folderEntries(folder.path()), Names{"report.json"});
}

// Cut to 180 UTF-16 units, never inside a character; the device underscore counts.
TEST(ReportFileName, SafeNamesDeviceNamesAndLength) {
    std::string accents;
    for (int i = 0; i < 200; ++i)
        accents += "\xC3\xA9";
    const std::string smile = "\xF0\x9F\x98\x80", alaf = "\xE0\xA0\x80", a178(178, 'a');
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"<>:\"/\\|?*", "_________"}, {"tab\there\x1F" "end", "tab_here_end"},
        {"Stick. . ", "Stick"}, {". . .", "Unnamed volume"}, {"", "Unnamed volume"},
        {"K\xC3\xBC" "che \xE2\x82\xAC", "K\xC3\xBC" "che \xE2\x82\xAC"},
        {"con.backup", "_con.backup"}, {"Com1.json.old", "_Com1.json.old"}, {"aux", "_aux"},
        {"COM0", "COM0"}, {"lpt9", "_lpt9"}, {"PRN.", "_PRN"},
        {"nul:", "nul_"}, {"console", "console"}, {"COM10", "COM10"},  // "NUL_" is no device
        {std::string(200, 'n'), std::string(180, 'n')}, {std::string(180, 'n'), std::string(180, 'n')},
        {accents, accents.substr(0, 360)}, {a178 + smile + "b", a178 + smile}, {a178 + "a" + smile, a178 + "a"},
        {a178 + "a" + alaf, a178 + "a" + alaf},  // three bytes from U+0800 on are one unit
        {"con." + std::string(200, 'x'), "_con." + std::string(175, 'x')},
    };
    // clang-format on
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(toUtf8(reportFileBaseName(fromUtf8(name))), safe) << name;
    RunResult run;
    run.volume.label = fromUtf8("FAST:SSD");
    run.timestampUtc = "2025-03-14T09:26:53Z";
    EXPECT_EQ(toUtf8(suggestedReportFileName(run, true)), "FAST_SSD-2025-03-14T09_26_53Z.csv");
    EXPECT_EQ(toUtf8(suggestedReportFileName(run, false)), "FAST_SSD-2025-03-14T09_26_53Z.json");
}

}  // namespace
}  // namespace orvane::testing
