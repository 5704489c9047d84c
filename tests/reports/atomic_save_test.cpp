#include "platform/text_encoding.h"
#include "reports/report_file_name.h"
#include "tests/reports/atomic_save_checks.h"

namespace orvane::testing {
namespace {

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

TEST_F(FailedSave, FolderMissing) {
    expectSaveFailure(folder_.path() / "absent" / "report.json", "text",
                      kCannotCreateTemporaryReport);
}

TEST(AtomicSave, FolderInTheTargetsPlaceIsKept) {
    TempFolder folder;
    const auto target = folder.path() / "report.json";
    std::filesystem::create_directory(target);
    writeWholeFile(target / "inside", "kept");
    expectSaveFailure(target, "text", kCannotSaveReport);
    EXPECT_EQ(readWholeFile(target / "inside"), "kept");
    EXPECT_EQ(folderEntries(folder.path()), Names{target.filename()});
}

// Cut to 180 UTF-16 units, never inside a character; the device underscore counts.
TEST(ReportFileBaseName, SafeNamesDeviceNamesAndLength) {
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
}

}  // namespace
}  // namespace orvane::testing
