#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/text_encoding.h"
#include "ui/setup_form.h"

namespace orvane {
namespace {

std::string modelSizeOutcome(const std::string& text) {
    try {
        return std::to_string(parseModelSize(text));
    } catch (const std::exception& error) {
        return error.what();
    }
}

struct ModelSizeCase {
    std::string text;
    std::string outcome;
};

// The text itself names the case (cut short), not the record's bytes.
void PrintTo(const ModelSizeCase& c, std::ostream* out) {
    *out << '"' << c.text.substr(0, 16) << (c.text.size() > 16 ? "...\"" : "\"");
}

class ModelSizeText : public ::testing::TestWithParam<ModelSizeCase> {};

TEST_P(ModelSizeText, AcceptsOnlyCompleteDecimalsInRange) {
    EXPECT_EQ(modelSizeOutcome(GetParam().text), GetParam().outcome) << GetParam().text;
}

const std::string kIncomplete = kIncompleteModelSizeMessage;
const std::string kUnreadable = kUnreadableModelSizeMessage;
const std::string kRange = kModelSizeRangeMessage;
const std::string k7s(200000, '7');

// Pasted texts of 200,000 characters give a message, not a stack overflow.
using C = ModelSizeCase;
INSTANTIATE_TEST_SUITE_P(
    Texts, ModelSizeText,
    ::testing::Values(
        C{"6.6", std::to_string(6.6)}, C{".5", std::to_string(0.5)}, C{"0.1", std::to_string(0.1)},
        C{"1000", std::to_string(1000.0)}, C{"0001000.000", std::to_string(1000.0)},
        C{"1000.05", kRange}, C{".05", kRange}, C{"0.09", kRange}, C{"0", kRange},
        C{"1000.0000001", kRange}, C{"abc", kIncomplete}, C{"", kIncomplete}, C{"6.", kIncomplete},
        C{"6,6", kIncomplete}, C{"1e3", kIncomplete}, C{" 6", kIncomplete}, C{"6 ", kIncomplete},
        C{"-1", kIncomplete}, C{"+1", kIncomplete}, C{".", kIncomplete}, C{"1.2.3", kIncomplete},
        C{"0x10", kIncomplete}, C{std::string(400, '9'), kUnreadable}, C{k7s, kUnreadable},
        C{k7s + "x", kIncomplete}, C{"0." + std::string(200000, '0') + "1", kUnreadable}));

TEST(SetupForm, DepthsGiveTheirOptionsAndSummaries) {
    const char* standard =
        "Temporary dataset: 1024 MiB  |  Random tests: 8 s each  |  Maximum writes: 1.96 GiB";
    const struct {
        int index;
        const char* profile;
        const char* summary;
    } cases[] = {
        {0, "Quick",
         "Temporary dataset: 256 MiB  |  Random tests: 3 s each  |  Maximum writes: 1.20 GiB"},
        {1, "Standard", standard},
        {2, "Extended",
         "Temporary dataset: 3072 MiB  |  Random tests: 20 s each  |  Maximum writes: 3.96 GiB"},
        {-1, "Standard", standard},
        {3, "Standard", standard},
    };
    for (const auto& c : cases) {
        // The folder is taken as typed, blanks included.
        const RunOptions options = runOptionsFromForm(fromUtf8(" E:\\x "), c.index, "70");
        EXPECT_EQ(options.profile, c.profile) << c.index;
        EXPECT_EQ(datasetSummaryText(options), c.summary);
        EXPECT_EQ(options.modelGB, 70.0);
        EXPECT_EQ(toUtf8(options.folder.native()), " E:\\x ");
    }
    // Seconds are truncated, not rounded.
    RunOptions odd;
    odd.randomSecondsPerPhase = 2.99;
    odd.smallFiles = 0;
    odd.testBytes = 16 * 1048576;
    EXPECT_EQ(datasetSummaryText(odd),
              "Temporary dataset: 16 MiB  |  Random tests: 2 s each  |  Maximum writes: 0.97 GiB");
}

TEST(SetupForm, ArrowsStepInTenthsFromTheLastValidSize) {
    EXPECT_EQ(modelSizeTextAfterArrow(6.6, 1), "6.7");
    EXPECT_EQ(modelSizeTextAfterArrow(6.6, -1), "6.5");
    EXPECT_EQ(modelSizeTextAfterArrow(1000.0, 1), "1000.0");
    EXPECT_EQ(modelSizeTextAfterArrow(0.1, -1), "0.1");
    EXPECT_EQ(modelSizeTextAfterArrow(0.1, 9), "1.0");
    EXPECT_EQ(modelSizeTextAfterArrow(12.25, 0), "12.3");  // 122.5 tenths: halves round up
    EXPECT_EQ(modelSizeTextAfterArrow(500.0, 2147483647), "1000.0");
    EXPECT_EQ(modelSizeTextAfterArrow(500.0, -2147483647 - 1), "0.1");
}

TEST(SetupForm, TargetLineAndDriveEntries) {
    VolumeInfo volume;
    volume.root = fromUtf8("E:\\");
    volume.label = fromUtf8("MODELS");
    volume.filesystem = fromUtf8("exFAT");
    volume.type = fromUtf8("Removable");
    volume.freeBytesBefore = 32212254720ull + 53687092ull;  // just above 30.05 GiB
    EXPECT_EQ(toUtf8(targetLineText(volume)),
              "E:\\  MODELS  |  exFAT  |  Removable  |  30.1 GiB free");
    EXPECT_EQ(toUtf8(driveEntryText(fromUtf8("E:\\"), fromUtf8("MODELS"), true)),
              "E:\\  MODELS  [removable]");
    EXPECT_EQ(toUtf8(driveEntryText(fromUtf8("C:\\"), fromUtf8(""), false)),
              "C:\\    [fixed / external]");
    std::vector<NativeString> roots;
    for (const char* root : {"C:\\", "e:\\", "E:\\", "F:\\"})
        roots.push_back(fromUtf8(root));
    EXPECT_EQ(matchingDriveIndex(roots, fromUtf8("e:\\")), 2);  // the last of several
    EXPECT_EQ(matchingDriveIndex(roots, fromUtf8("f:\\")), 3);
    EXPECT_EQ(matchingDriveIndex(roots, fromUtf8("G:\\")), -1);
    EXPECT_EQ(matchingDriveIndex({}, fromUtf8("C:\\")), -1);
}

}  // namespace
}  // namespace orvane
