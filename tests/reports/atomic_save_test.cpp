#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/text_encoding.h"
#include "reports/atomic_save.h"
#include "reports/report_file_name.h"
#include "tests/reports/atomic_save_checks.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using Names = std::vector<std::filesystem::path>;

TEST(AtomicSave, TargetHoldsTheTextAndNothingElseRemains) {
    testing::TempFolder folder;
    const auto target = folder.path() / fromUtf8("R\xC3\xA9port.json");
    const std::string text = std::string("{\r\n\0binary\xFF", 12) + std::string(100000, 'x');
    saveReportAtomically(target, text);
    EXPECT_EQ(testing::readWholeFile(target), text);
    saveReportAtomically(target, "new");  // replaces
    EXPECT_EQ(testing::readWholeFile(target), "new");
    saveReportAtomically(target, "");
    EXPECT_EQ(testing::readWholeFile(target), "");
    EXPECT_EQ(testing::folderEntries(folder.path()), Names{target.filename()});
}

TEST(AtomicSave, FailuresTouchNothing) {
    testing::TempFolder folder;
    testing::expectSaveFailure(folder.path() / "absent" / "report.json", "text",
                               kCannotCreateTemporaryReport);
    EXPECT_TRUE(testing::folderEntries(folder.path()).empty());
    // A target that is a folder is not replaced.
    const auto target = folder.path() / "report.json";
    std::filesystem::create_directory(target);
    testing::writeWholeFile(target / "inside", "kept");
    testing::expectSaveFailure(target, "text", kCannotSaveReport);
    EXPECT_EQ(testing::readWholeFile(target / "inside"), "kept");
    EXPECT_EQ(testing::folderEntries(folder.path()), Names{target.filename()});
}

TEST(ReportFileBaseName, SafeNamesDeviceNamesAndLength) {
    const std::string accents = [] {
        std::string text;
        for (int i = 0; i < 200; ++i)
            text += "\xC3\xA9";
        return text;
    }();
    const std::string smile = "\xF0\x9F\x98\x80", alaf = "\xE0\xA0\x80", a179(179, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"a/b:c", "a_b_c"},
        {"<>:\"/\\|?*", "_________"},
        {"tab\there\x1F"
         "end",
         "tab_here_end"},
        {"Stick. . ", "Stick"},
        {". . .", "Unnamed volume"},
        {"", "Unnamed volume"},
        {"K\xC3\xBC"
         "che \xE2\x82\xAC",
         "K\xC3\xBC"
         "che \xE2\x82\xAC"},
        {"con.backup", "_con.backup"},
        {"COM0", "COM0"},
        {"lpt9", "_lpt9"},
        {"Com1.json.old", "_Com1.json.old"},
        {"aux", "_aux"},
        {"PRN.", "_PRN"},
        {"nul:", "nul_"},  // "NUL_" is no device
        {"console", "console"},
        {"COM10", "COM10"},
        {"xcon", "xcon"},
        // Cut to 180 UTF-16 units, never inside a character; the device underscore counts.
        {std::string(200, 'n'), std::string(180, 'n')},
        {std::string(180, 'n'), std::string(180, 'n')},
        {accents, accents.substr(0, 360)},
        {std::string(178, 'a') + smile + "b", std::string(178, 'a') + smile},
        {a179 + smile, a179},
        {a179 + alaf, a179 + alaf},  // three bytes from U+0800 on are one unit
        {"con." + std::string(200, 'x'), "_con." + std::string(175, 'x')},
    };
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(toUtf8(reportFileBaseName(fromUtf8(name))), safe) << name;
}

}  // namespace
}  // namespace orvane
