// The window's portable decisions: the setup form, the layout, which controls are enabled, and
// the format dialog's summary.

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "format/format_command.h"
#include "format/format_target_rules.h"
#include "platform/text_encoding.h"
#include "ui/control_enabling.h"
#include "ui/format_dialog_text.h"
#include "ui/main_window_ids.h"
#include "ui/setup_form.h"
#include "ui/window_layout.h"

namespace orvane {
namespace {

struct ModelSizeCase {
    std::string text, outcome;
};

// The text itself names the case (cut short), not the record's bytes.
void PrintTo(const ModelSizeCase& c, std::ostream* out) {
    *out << '"' << c.text.substr(0, 16) << (c.text.size() > 16 ? "...\"" : "\"");
}

class ModelSizeText : public ::testing::TestWithParam<ModelSizeCase> {};

TEST_P(ModelSizeText, AcceptsOnlyCompleteDecimalsInRange) {
    std::string outcome;
    try {
        outcome = std::to_string(parseModelSize(GetParam().text));
    } catch (const std::exception& error) {
        outcome = error.what();
    }
    EXPECT_EQ(outcome, GetParam().outcome);
}

const std::string kIncomplete = kIncompleteModelSizeMessage;
const std::string kUnreadable = kUnreadableModelSizeMessage;
const std::string kRange = kModelSizeRangeMessage;

// Pasted texts of 200,000 characters give a message, not a stack overflow.
using C = ModelSizeCase;
INSTANTIATE_TEST_SUITE_P(
    Texts, ModelSizeText,
    ::testing::Values(C{"6.6", std::to_string(6.6)}, C{".5", std::to_string(0.5)},
                      C{"0.1", std::to_string(0.1)}, C{"1000", std::to_string(1000.0)},
                      C{"0.09", kRange}, C{"0", kRange}, C{"1000.0000001", kRange},
                      C{"abc", kIncomplete}, C{"", kIncomplete}, C{"6.", kIncomplete},
                      C{"1e3", kIncomplete}, C{".", kIncomplete}, C{"1.2.3", kIncomplete},
                      C{std::string(400, '9'), kUnreadable},
                      C{std::string(200000, '7') + "x", kIncomplete},
                      C{"0." + std::string(200000, '0') + "1", kUnreadable}));

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
}

TEST(SetupForm, ArrowsStepInTenthsFromTheLastValidSize) {
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
    std::vector<NativeString> roots;
    for (const char* root : {"C:\\", "e:\\", "E:\\", "F:\\"})
        roots.push_back(fromUtf8(root));
    EXPECT_EQ(matchingDriveIndex(roots, fromUtf8("e:\\")), 2);  // the last of several
    EXPECT_EQ(matchingDriveIndex(roots, fromUtf8("f:\\")), 3);
    EXPECT_EQ(matchingDriveIndex(roots, fromUtf8("G:\\")), -1);
}

TEST(WindowLayout, ScalesLikeMulDiv) {
    EXPECT_EQ(scaleForDpi(31, 144), 47);    // 46.5 rounds away from zero
    EXPECT_EQ(scaleForDpi(13, 120), 16);    // 16.25
    EXPECT_EQ(scaleForDpi(-15, 144), -23);  // font heights are negative
    EXPECT_EQ(scaleForDpi(0, 192), 0);
}

TEST(WindowLayout, ExtraWidthGoesToWidenedControlsAndBrowseOnly) {
    const PixelSize wider{960 + 200, 768};
    const PixelRect folder{28, 128, 788, 31}, details{28, 612, 904, 74};
    EXPECT_EQ(placeControl(folder, LayoutRole::Widen, 96, wider), (PixelRect{28, 128, 988, 31}));
    EXPECT_EQ(placeControl({832, 127, 100, 33}, LayoutRole::FollowRightEdge, 96, wider),
              (PixelRect{1032, 127, 100, 33}));
    EXPECT_EQ(placeControl({512, 167, 144, 31}, LayoutRole::Fixed, 96, wider),
              (PixelRect{512, 167, 144, 31}));
    // The details box takes the extra width and the height left above the bottom margin.
    EXPECT_EQ(placeControl(details, LayoutRole::FillRemaining, 96, wider),
              (PixelRect{28, 612, 1104, 132}));
    // A client narrower or shorter than designed shrinks nothing below the written size.
    EXPECT_EQ(placeControl(folder, LayoutRole::Widen, 96, {900, 600}), folder);
    EXPECT_EQ(placeControl(details, LayoutRole::FillRemaining, 96, {900, 600}), details);
    // At 144 DPI in a client just the designed size, everything is one and a half times.
    for (LayoutRole role : {LayoutRole::Fixed, LayoutRole::Widen, LayoutRole::FollowRightEdge})
        EXPECT_EQ(placeControl({832, 127, 100, 33}, role, 144, {1440, 1152}),
                  (PixelRect{1248, 191, 150, 50}));
    EXPECT_EQ(placeControl(details, LayoutRole::FillRemaining, 144, {1440, 1152}),
              (PixelRect{42, 918, 1356, 198}));
}

TEST(WindowLayout, ColumnWidthsScaleAndTheDriveColumnTakesTheExtra) {
    const auto at96 = comparisonColumnWidths(96, 0);
    auto widths = comparisonColumnWidths(96, 200);
    for (std::size_t i = 0; i < widths.size(); ++i)
        EXPECT_EQ(widths[i], at96[i] + (i == kDriveColumn ? 200 : 0)) << i;
    widths = comparisonColumnWidths(144, 0);
    EXPECT_EQ(widths[0], 83);  // 82.5
}

struct EnablingCase {
    const char* name;
    WindowState state;
    std::set<int> enabled;
};

class ControlEnabling : public ::testing::TestWithParam<EnablingCase> {};

TEST_P(ControlEnabling, EnablesExactlyWhatTheStateAllows) {
    EXPECT_EQ(enabledControls(GetParam().state), GetParam().enabled);
}

const std::set<int> kInputs{IDC_FOLDER, IDC_BROWSE,     IDC_DRIVES,      IDC_REFRESH_DRIVES,
                            IDC_DEPTH,  IDC_MODEL_SIZE, IDC_MODEL_SPIN,  IDC_START,
                            IDC_FORMAT, IDC_IMPORT,     IDC_OPEN_RESULTS};
std::set<int> withSave() {
    std::set<int> ids = kInputs;
    ids.insert({IDC_SAVE_JSON, IDC_SAVE_CSV});
    return ids;
}

using A = WindowActivity;
using E = EnablingCase;
INSTANTIATE_TEST_SUITE_P(EveryState, ControlEnabling,
                         ::testing::Values(E{"Idle", {A::Idle, false, false}, kInputs},
                                           E{"IdleWithResult", {A::Idle, true, false}, withSave()},
                                           E{"Running", {A::Running, true, false}, {IDC_CANCEL}},
                                           E{"Cancelling", {A::Running, false, true}, {}},
                                           E{"Formatting", {A::Formatting, false, false}, {}}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(FormatDialogSummary, NamesVolumeDiskBusSerialAndIdentity) {
    FormatTarget target;
    target.volume.root = fromUtf8("F:\\");
    target.volume.label = fromUtf8("CARD");
    target.volume.filesystem = fromUtf8("FAT32");
    target.volume.totalBytes = 31457280000ull;  // 29.296875 GiB
    target.volume.allocationUnitBytes = 32768;
    target.volumePath = fromUtf8("\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\");
    target.volumeSerial = 0x00A0B0C1;
    target.diskNumber = 3;
    target.busType = kBusSd;
    EXPECT_EQ(formatDialogSummary(target),
              "F:\\  |  CARD  |  29.3 GiB total  |  Current filesystem: FAT32\r\n"
              "Disk 3  |  Allocation: 32.0 KiB | SD  |  Volume serial: A0B0C1\r\n"
              "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\");
    target.volume.label.clear();
    EXPECT_NE(formatDialogSummary(target).find("F:\\  |  (no label)  |  "), std::string::npos);
    for (const auto& [bus, name] :
         {std::pair<std::uint32_t, const char*>{kBusUsb, "| USB  |"}, {0, "| MMC  |"}}) {
        target.busType = bus;
        EXPECT_NE(formatDialogSummary(target).find(name), std::string::npos) << bus;
    }
    for (const auto& choice : kClusterChoices)  // every allocation offered, the command takes
        EXPECT_TRUE(isValidClusterBytes(choice.clusterBytes)) << choice.text;
}

}  // namespace
}  // namespace orvane
