#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/text_encoding.h"
#include "reports/atomic_save.h"
#include "reports/report_file_name.h"
#include "tests/reports/atomic_save_checks.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using ::testing::ElementsAre;

TEST(AtomicSave, NewTargetHoldsTheTextAndNothingElseRemains) {
    testing::TempFolder folder;
    const auto target = folder.path() / fromUtf8("R\xC3\xA9port.json");
    const std::string text = std::string("{\r\n\0binary\xFF", 12) + std::string(100000, 'x');
    saveReportAtomically(target, text);
    EXPECT_EQ(testing::readWholeFile(target), text);
    EXPECT_THAT(testing::folderEntries(folder.path()), ElementsAre(target.filename()));
}

TEST(AtomicSave, ReplacedTargetHoldsOnlyTheNewText) {
    testing::TempFolder folder;
    const auto target = folder.path() / "report.json";
    testing::writeWholeFile(target, std::string(5000, 'o'));
    saveReportAtomically(target, "new");
    EXPECT_EQ(testing::readWholeFile(target), "new");
    saveReportAtomically(target, "");
    EXPECT_EQ(testing::readWholeFile(target), "");
    EXPECT_THAT(testing::folderEntries(folder.path()), ElementsAre(target.filename()));
}

TEST(AtomicSave, MissingFolderFailsBeforeCreatingAnything) {
    testing::TempFolder folder;
    testing::expectSaveFailure(folder.path() / "absent" / "report.json", "text",
                               kCannotCreateTemporaryReport);
    EXPECT_TRUE(testing::folderEntries(folder.path()).empty());
}

TEST(AtomicSave, TargetThatIsAFolderIsNotReplaced) {
    testing::TempFolder folder;
    const auto target = folder.path() / "report.json";
    std::filesystem::create_directory(target);
    testing::writeWholeFile(target / "inside", "kept");
    testing::expectSaveFailure(target, "text", kCannotSaveReport);
    EXPECT_EQ(testing::readWholeFile(target / "inside"), "kept");
    EXPECT_THAT(testing::folderEntries(folder.path()), ElementsAre(target.filename()));
}

NativeString baseName(const std::string& utf8) {
    return reportFileBaseName(fromUtf8(utf8));
}

TEST(ReportFileBaseName, SafeNames) {
    EXPECT_EQ(baseName("a/b:c"), fromUtf8("a_b_c"));
    EXPECT_EQ(baseName("<>:\"/\\|?*"), fromUtf8("_________"));
    EXPECT_EQ(baseName("tab\there\x1F"
                       "end"),
              fromUtf8("tab_here_end"));
    EXPECT_EQ(baseName("Stick. . "), fromUtf8("Stick"));
    EXPECT_EQ(baseName(". . ."), fromUtf8("Unnamed volume"));
    EXPECT_EQ(baseName(""), fromUtf8("Unnamed volume"));
    EXPECT_EQ(baseName("K\xC3\xBC"
                       "che \xE2\x82\xAC"),
              fromUtf8("K\xC3\xBC"
                       "che \xE2\x82\xAC"));
}

TEST(ReportFileBaseName, DeviceNamesGetAnUnderscore) {
    EXPECT_EQ(baseName("con.backup"), fromUtf8("_con.backup"));
    EXPECT_EQ(baseName("COM0"), fromUtf8("COM0"));
    EXPECT_EQ(baseName("lpt9"), fromUtf8("_lpt9"));
    EXPECT_EQ(baseName("Com1.json.old"), fromUtf8("_Com1.json.old"));
    EXPECT_EQ(baseName("aux"), fromUtf8("_aux"));
    EXPECT_EQ(baseName("PRN."), fromUtf8("_PRN"));
    EXPECT_EQ(baseName("nul:"), fromUtf8("nul_"));  // "NUL_" is no device
    EXPECT_EQ(baseName("console"), fromUtf8("console"));
    EXPECT_EQ(baseName("COM10"), fromUtf8("COM10"));
    EXPECT_EQ(baseName("xcon"), fromUtf8("xcon"));
}

TEST(ReportFileBaseName, CutToOneHundredEightyUtf16Units) {
    EXPECT_EQ(baseName(std::string(200, 'n')), fromUtf8(std::string(180, 'n')));
    EXPECT_EQ(baseName(std::string(180, 'n')), fromUtf8(std::string(180, 'n')));
    std::string accents;
    for (int i = 0; i < 200; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(toUtf8(baseName(accents)), accents.substr(0, 360));
    // A character outside the basic plane takes two units and is never split.
    const std::string smile = "\xF0\x9F\x98\x80";
    EXPECT_EQ(toUtf8(baseName(std::string(178, 'a') + smile + "b")), std::string(178, 'a') + smile);
    EXPECT_EQ(toUtf8(baseName(std::string(179, 'a') + smile)), std::string(179, 'a'));
    // A three-byte sequence is one unit, from the lowest lead byte on (U+0800).
    const std::string alaf = "\xE0\xA0\x80";
    EXPECT_EQ(toUtf8(baseName(std::string(179, 'a') + alaf)), std::string(179, 'a') + alaf);
    // The underscore in front of a device name counts.
    EXPECT_EQ(toUtf8(baseName("con." + std::string(200, 'x'))), "_con." + std::string(175, 'x'));
}

}  // namespace
}  // namespace orvane
