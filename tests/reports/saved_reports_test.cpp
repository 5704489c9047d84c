// The saved reports: saving one over the previous report and the names it is offered under,
// their table's rank and column order and report times, and the loader's start-up scan of the
// results folder and its import of chosen reports, on real folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "reports/atomic_save.h"
#include "reports/report_file_name.h"
#include "reports/report_ranking.h"
#include "reports/report_timestamp.h"
#include "reports/results_folder_loader.h"
#include "reports/suggested_report_name.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/message_of.h"
#include "tests/support/sample_reports.h"
#include "tests/support/temp_folder.h"
#ifdef _WIN32
#include "platform/unique_handle_windows.h"
#else
#include "tests/support/file_size_limit_linux.h"
#endif

namespace orvane {
namespace {

namespace fs = std::filesystem;
namespace t = orvane::testing;
using Names = std::vector<std::string>;
constexpr double kUnknown = std::numeric_limits<double>::infinity();

SavedReport report(const std::string& name, int level, double readSeconds,
                   const std::string& timestamp = "2025-01-01T00:00:00Z") {
    SavedReport r;
    r.displayName = name;
    r.platform = "Windows";
    r.timestampUtc = timestamp;
    r.scratchFolder = "E:\\.orvane-varnolt-" + name;
    r.suitabilityLevel = level;
    r.modelReadSeconds = readSeconds;
    return r;
}

Names sortedBy(std::vector<SavedReport> reports, ColumnSort sort = {}) {
    rankReports(reports, sort);
    Names out;
    for (const SavedReport& r : reports)
        out.push_back(r.displayName +
                      (sort.column == ReportColumn::Rank ? "" : "#" + std::to_string(r.rank)));
    return out;
}

TEST(Ranking, LevelFirstThenReadTimeThenIdentity) {
    EXPECT_EQ(
        sortedBy({report("slowCaution", 1, 10), report("unknownGood", 0, kUnknown),
                  report("fastGood", 0, 30), report("slowGood", 0, 80), report("failed", 2, 5)}),
        (Names{"fastGood", "slowGood", "unknownGood", "slowCaution", "failed"}));
    SavedReport linux = report("linux", 1, kUnknown, "2020-01-01T00:00:00Z");
    linux.platform = "Linux";
    EXPECT_EQ(sortedBy({report("later", 1, kUnknown, "2025-06-01T00:00:00Z"),
                        report("folderB", 1, kUnknown), linux, report("folderA", 1, kUnknown)}),
              (Names{"linux", "folderA", "folderB", "later"}));
    // A column sort keeps the rank numbers and breaks its ties by rank.
    std::vector<SavedReport> reports = {report("c", 1, 10), report("b", 0, 50), report("a", 0, 20)};
    reports[0].profile = reports[2].profile = "Quick";
    reports[1].profile = "Extended";
    EXPECT_EQ(sortedBy(reports, {ReportColumn::Profile, true}), (Names{"b#2", "a#1", "c#3"}));
}

// Each column, both directions: the reports, ascending, then descending.
struct OrderCase {
    const char* name;
    ReportColumn column;
    std::vector<SavedReport> reports;
    Names ascending, descending;
};

// Unknown model read times go last both ways; text compares bytes; offsets are parsed and invalid
// times go last; offset and utc are the same instant, so their identity decides both ways.
TEST(Ranking, EachColumnSortsBothWays) {
    // clang-format off
    const OrderCase cases[] = {
        {"Rank", ReportColumn::Rank, {report("second", 0, 20), report("third", 1, 1), report("first", 0, 10)},
         {"first", "second", "third"}, {"third", "second", "first"}},
        {"UnknownReadTimeLast", ReportColumn::ModelReadSeconds, {report("unknown", 0, kUnknown), report("slow", 1, 200), report("fast", 1, 20)},
         {"fast", "slow", "unknown"}, {"slow", "fast", "unknown"}},
        {"TextBytes", ReportColumn::DriveTest, {report("alpha", 0, 1), report("Zeta", 0, 2), report("\xC3\x84rger", 0, 3), report("Zet", 0, 4)},
         {"Zet", "Zeta", "alpha", "\xC3\x84rger"}, {"\xC3\x84rger", "alpha", "Zeta", "Zet"}},
        {"TestedTime", ReportColumn::TestedUtc,
         {report("invalidLeap", 0, 1, "2023-02-29T10:00:00Z"), report("leap", 0, 2, "2024-02-29T10:00:00Z"), report("noZone", 0, 3, "2024-05-01T12:00:00"),
          report("offset", 0, 4, "2024-05-01T12:00:00+02:00"), report("utc", 0, 5, "2024-05-01T10:00:00Z"),
          report("fraction", 0, 6, "2024-05-01T10:00:00.25Z"), report("western", 0, 7, "2024-04-30T23:30:00-10:45")},
         {"leap", "utc", "offset", "fraction", "western", "invalidLeap", "noZone"},
         {"western", "fraction", "utc", "offset", "leap", "invalidLeap", "noZone"}}};
    // clang-format on
    const auto plain = [](Names names) {
        for (std::string& name : names)
            name = name.substr(0, name.find('#'));
        return names;
    };
    for (const OrderCase& c : cases) {
        EXPECT_EQ(plain(sortedBy(c.reports, {c.column, true})), c.ascending) << c.name;
        EXPECT_EQ(plain(sortedBy(c.reports, {c.column, false})), c.descending) << c.name;
    }
}

TEST(Ranking, SameRunReplacesItsEntryInPlace) {
    std::vector<SavedReport> reports = {report("a", 0, 1), report("b", 0, 2)};
    SavedReport again = report("b", 0, 2), otherFolder = again, otherPlatform = again,
                otherTime = again;
    again.displayName = "b again";
    otherFolder.scratchFolder += "x";
    otherPlatform.platform = "Linux";
    otherTime.timestampUtc = "2025-01-01T00:00:00+00:00";  // same instant, different text
    for (const SavedReport& next : {again, otherFolder, otherPlatform, otherTime})
        addOrReplaceReport(reports, next);
    EXPECT_EQ(reports[1].displayName + " of " + std::to_string(reports.size()), "b again of 5");
}

// Valid texts and their value; invalid ones are infinite.
TEST(ReportTimestamp, ValueOfValidTextsAndInvalidOnesAreInfinite) {
    const auto at = parseReportTimestamp;
    EXPECT_EQ(at("1970-01-01T00:00:00Z"), 0.0);
    EXPECT_EQ(at("2024-05-01T12:00:00+02:00"), at("2024-05-01T10:00:00Z"));
    EXPECT_EQ(at("2024-05-01T00:00:00-23:59"), at("2024-05-01T23:59:00Z"));
    EXPECT_EQ(at("2024-05-01T10:00:00.25Z") - at("2024-05-01T10:00:00Z"), 0.25);
    EXPECT_EQ(at("2000-02-29T00:00:00Z"), 951782400.0);
    EXPECT_EQ(at("1969-12-31T23:59:59Z"), -1.0);
    EXPECT_EQ(at("9999-12-31T23:59:59Z"), 253402300799.0);
    // clang-format off
    for (const char* text : {"", "2024-05-01T12:00:00", "2024-05-01 12:00:00Z", "2024-5-01T12:00:00Z",
             "2024-05-01T12:00:00z", "2024-05-01T12:00:00.Z", "2024-05-01T12:00:00Z ", " 2024-05-01T12:00:00Z",
             "2024-05-01T12:00:00+0200", "2024-05-01T12:00:00+02:0", "2023-02-29T10:00:00Z", "1900-02-29T00:00:00Z",
             "2024-13-01T00:00:00Z", "2024-00-01T00:00:00Z", "2024-04-31T00:00:00Z", "2024-01-00T00:00:00Z",
             "2024-01-01T24:00:00Z", "2024-01-01T00:60:00Z", "2024-01-01T00:00:60Z", "2024-01-01T00:00:00+24:00",
             "2024-01-01T00:00:00-00:60", "+2024-01-01T00:00:00Z", "2024-01-01T00:00:00\xD9\xA0Z",
             "\xD9\xA2\xD9\xA0\xD9\xA2\xD9\xA4-01-01T00:00:00Z"})
        EXPECT_TRUE(std::isinf(parseReportTimestamp(text))) << text;
    // clang-format on
}

std::string sample(const char* name) {
    return t::readWholeFile(t::sampleReportsFolder() / name);
}

// Sorted display names, then the sorted problem lines.
Names outcome(const ReportLoadResult& result) {
    Names rows, problems;
    for (const SavedReport& row : result.rows)
        rows.push_back(row.displayName);
    for (const auto& problem : result.problems)
        problems.push_back(problemText(problem));
    std::sort(rows.begin(), rows.end());
    std::sort(problems.begin(), problems.end());
    rows.insert(rows.end(), problems.begin(), problems.end());
    return rows;
}

class ReportLoadingTest : public ::testing::Test {
  protected:
    fs::path results() const { return home_.path() / "results"; }
    fs::path outside(const std::string& name, const char* sample = t::kSuitableSample) const {
        t::writeWholeFile(elsewhere_.path() / name, orvane::sample(sample));
        return elsewhere_.path() / name;
    }
    void stored(const std::string& name, const std::string& text) const {
        fs::create_directories(results());
        t::writeWholeFile(results() / name, text);
    }
    ReportLoadResult import(std::vector<fs::path> paths,
                            std::vector<SavedReport> known = {}) const {
        return loadReports({std::move(paths), false, results(), std::move(known)});
    }

    t::TempFolder home_, elsewhere_;
};

TEST_F(ReportLoadingTest, ScanLoadsJsonFilesOfAnyCaseAndNamesTheBadOnes) {
    EXPECT_EQ(outcome(loadReports({{}, true, results(), {}})), Names{});
    EXPECT_FALSE(fs::exists(results())) << "nothing to load creates nothing";
    fs::create_directories(results() / "nested.json");  // a folder, not a report
    stored("a.json", sample(t::kSuitableSample));
    stored("b.JSON", sample(t::kCautionSample));
    stored("c.txt", sample(t::kNotRecommendedSample));
    stored("huge.json", std::string(kReportSizeLimit + 1, ' '));
    stored("twice.json", R"({"schemaVersion": 1, "schemaVersion": 1})");
    const ReportLoadResult result = loadReports({{}, true, results(), {}});
    EXPECT_EQ(outcome(result),
              (Names{"SD card 128GB", "USB SSD 1TB", "huge.json: Report exceeds 2 MiB.",
                     "twice.json: Duplicate JSON key."}));
    for (const SavedReport& row : result.rows)
        EXPECT_EQ(row.filePath.parent_path(), results());
    // A results folder that cannot be listed is a problem, not a silence.
    const Names unlisted = outcome(loadReports({{}, true, results() / "a.json", {}}));
    ASSERT_EQ(unlisted.size(), 1u);
    EXPECT_EQ(unlisted[0].rfind("a.json: Cannot list the results folder: ", 0), 0u) << unlisted[0];
}

TEST_F(ReportLoadingTest, ImportCopiesUnderAFreeNameOnceAndNamesTheReportAfterItsFile) {
    stored("run.json", sample(t::kCautionSample));
    const ReportLoadResult result = import({outside("run.json")});
    ASSERT_EQ(outcome(result), Names{"run"});
    EXPECT_EQ(result.rows[0].filePath, results() / "run-1.json");
    EXPECT_EQ(t::readWholeFile(results() / "run-1.json"), sample(t::kSuitableSample));
    EXPECT_EQ(t::readWholeFile(results() / "run.json"), sample(t::kCautionSample)) << "replaced";
    // The same run again, now that the table holds it from the results folder: nothing copied.
    const ReportLoadResult again = import({outside("run.json")}, result.rows);
    ASSERT_EQ(again.rows.size(), 1u);
    EXPECT_EQ(again.rows[0].filePath, results() / "run-1.json");
    // A run the table knows only from elsewhere is still copied.
    SavedReport known = t::loadSampleReport(t::kNotRecommendedSample);
    known.filePath = outside("stick.json", t::kNotRecommendedSample);
    const ReportLoadResult copied = import({known.filePath}, {known});
    ASSERT_EQ(copied.rows.size(), 1u);
    EXPECT_EQ(copied.rows[0].filePath, results() / "stick.json");
}

// Two files of one run copy only the first; a file that fails leaves nothing behind.
TEST_F(ReportLoadingTest, OneCopyPerRunAndNothingOfAFailedFile) {
    const ReportLoadResult result =
        import({elsewhere_.path() / "missing.json", outside("first.json"), outside("second.json"),
                outside("other.json", t::kCautionSample)});
    ASSERT_EQ(result.rows.size(), 2u);
    // The later file wins the row but keeps the one stored copy.
    EXPECT_EQ(result.rows[0].displayName, "second");
    EXPECT_EQ(result.rows[0].filePath, results() / "first.json");
    EXPECT_EQ(result.rows[1].filePath, results() / "other.json");
    EXPECT_EQ(t::snapshotFolder(results()).size(), 2u);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(problemText(result.problems[0]).rfind("missing.json: ", 0), 0u);

    // A results folder that cannot be made names every file.
    t::writeWholeFile(home_.path() / "blocker", "not a folder");
    const Names blocked = outcome(
        loadReports({{outside("good.json")}, false, home_.path() / "blocker" / "results", {}}));
    ASSERT_EQ(blocked.size(), 1u);
    EXPECT_EQ(blocked[0].rfind("good.json: Cannot create the results folder: ", 0), 0u);
}

std::string saveError(const fs::path& target, const std::string& text) {
    return t::messageOf([&] { saveReportAtomically(target, text); });
}

// The report replaced whole; each way a save fails: its message, the previous report kept and no
// temporary left.
TEST(AtomicSave, ReplacesTheReportOrKeepsThePreviousOne) {
    t::TempFolder folder;
    const auto target = folder.path() / fromUtf8("R\xC3\xA9port.json");
    EXPECT_EQ(saveError(folder.path() / "absent" / "report.json", "x"),
              kCannotCreateTemporaryReport);
    fs::create_directory(target);
    t::writeWholeFile(target / "inside", "kept");
    EXPECT_EQ(saveError(target, "text"), kCannotSaveReport);
    EXPECT_EQ(t::readWholeFile(target / "inside"), "kept");
    fs::remove_all(target);
    saveReportAtomically(target, "first");
    const std::string text = std::string("{\r\n\0binary\xFF", 12) + std::string(100000, 'x');
    saveReportAtomically(target, text);
    EXPECT_EQ(t::readWholeFile(target), text);
#ifdef _WIN32
    const UniqueFileHandle held(CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(saveError(target, "new text"), kCannotSaveReport);
#else
    // A file size limit stops the write part-way with EFBIG.
    {
        const t::FileSizeLimit limit(1000);
        EXPECT_EQ(saveError(target, std::string(5000, 'n')), kCannotSaveReport);
    }
#endif
    EXPECT_EQ(t::readWholeFile(target), text);
    EXPECT_EQ(t::snapshotFolder(folder.path()).size(), 1u);  // no temporary is left
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
}

}  // namespace
}  // namespace orvane
