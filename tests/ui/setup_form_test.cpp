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

INSTANTIATE_TEST_SUITE_P(
    Texts, ModelSizeText,
    ::testing::Values(
        ModelSizeCase{"6.6", std::to_string(6.6)}, ModelSizeCase{".5", std::to_string(0.5)},
        ModelSizeCase{"0.1", std::to_string(0.1)}, ModelSizeCase{"1000", std::to_string(1000.0)},

        ModelSizeCase{"0001000.000", std::to_string(1000.0)}, ModelSizeCase{"1000.05", kRange},
        ModelSizeCase{".05", kRange}, ModelSizeCase{"0.09", kRange}, ModelSizeCase{"0", kRange},
        ModelSizeCase{"1000.0000001", kRange}, ModelSizeCase{"abc", kIncomplete},
        ModelSizeCase{"", kIncomplete}, ModelSizeCase{"6.", kIncomplete},
        ModelSizeCase{"6,6", kIncomplete}, ModelSizeCase{"1e3", kIncomplete},
        ModelSizeCase{" 6", kIncomplete}, ModelSizeCase{"6 ", kIncomplete},
        ModelSizeCase{"-1", kIncomplete}, ModelSizeCase{"+1", kIncomplete},
        ModelSizeCase{".", kIncomplete}, ModelSizeCase{"1.2.3", kIncomplete},
        ModelSizeCase{"0x10", kIncomplete}, ModelSizeCase{std::string(400, '9'), kUnreadable}));

TEST(ModelSizeTextRegression, LongPastedTextsGiveAMessageNotAStackOverflow) {
    EXPECT_EQ(modelSizeOutcome(std::string(200000, '7')), kUnreadable);
    EXPECT_EQ(modelSizeOutcome(std::string(200000, '7') + "x"), kIncomplete);
    EXPECT_EQ(modelSizeOutcome("0." + std::string(200000, '0') + "1"), kUnreadable);
}

TEST(SetupForm, DepthsGiveTheirOptionsAndSummaries) {
    const struct {
        int index;
        std::uint64_t bytes;
        double seconds;
        int files;
        const char* profile;
        const char* summary;
    } cases[] = {
        {0, 268435456, 3.0, 64, "Quick",
         "Temporary dataset: 256 MiB  |  Random tests: 3 s each  |  Maximum writes: 1.20 GiB"},
        {1, 1073741824, 8.0, 200, "Standard",
         "Temporary dataset: 1024 MiB  |  Random tests: 8 s each  |  Maximum writes: 1.96 GiB"},
        {2, 3221225472, 20.0, 500, "Extended",
         "Temporary dataset: 3072 MiB  |  Random tests: 20 s each  |  Maximum writes: 3.96 GiB"},
        {-1, 1073741824, 8.0, 200, "Standard",
         "Temporary dataset: 1024 MiB  |  Random tests: 8 s each  |  Maximum writes: 1.96 GiB"},
        {3, 1073741824, 8.0, 200, "Standard",
         "Temporary dataset: 1024 MiB  |  Random tests: 8 s each  |  Maximum writes: 1.96 GiB"},
    };
    for (const auto& c : cases) {
        const RunOptions options = runOptionsFromForm(fromUtf8("E:\\models"), c.index, "70");
        EXPECT_EQ(options.testBytes, c.bytes) << c.index;
        EXPECT_EQ(options.randomSecondsPerPhase, c.seconds);
        EXPECT_EQ(options.smallFiles, c.files);
        EXPECT_EQ(options.profile, c.profile);
        EXPECT_EQ(options.modelGB, 70.0);
        EXPECT_EQ(toUtf8(options.folder.native()), "E:\\models");
        EXPECT_EQ(datasetSummaryText(options), c.summary);
    }
    // The folder is taken as typed, blanks included.
    EXPECT_EQ(toUtf8(runOptionsFromForm(fromUtf8(" E:\\x "), 1, "6.6").folder.native()), " E:\\x ");
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
    EXPECT_EQ(modelSizeTextAfterArrow(70.0, 0), "70.0");
    // 12.25 GB is 122.5 tenths: halves round away from zero.
    EXPECT_EQ(modelSizeTextAfterArrow(12.25, 0), "12.3");
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

    const std::vector<NativeString> roots{fromUtf8("C:\\"), fromUtf8("e:\\"), fromUtf8("E:\\"),
                                          fromUtf8("F:\\")};
    EXPECT_EQ(matchingDriveIndex(roots, fromUtf8("e:\\")), 2);  // the last of several
    EXPECT_EQ(matchingDriveIndex(roots, fromUtf8("f:\\")), 3);
    EXPECT_EQ(matchingDriveIndex(roots, fromUtf8("G:\\")), -1);
    EXPECT_EQ(matchingDriveIndex({}, fromUtf8("C:\\")), -1);
}

}  // namespace
}  // namespace orvane
