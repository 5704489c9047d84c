#include <gtest/gtest.h>

#include <string>

#include "format/format_command.h"
#include "format/format_target_rules.h"
#include "platform/text_encoding.h"
#include "ui/format_dialog_text.h"

namespace orvane {
namespace {

FormatTarget cardTarget() {
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
    return target;
}

TEST(FormatDialogSummary, NamesVolumeDiskBusSerialAndIdentity) {
    EXPECT_EQ(formatDialogSummary(cardTarget()),
              "F:\\  |  CARD  |  29.3 GiB total  |  Current filesystem: FAT32\r\n"
              "Disk 3  |  Allocation: 32.0 KiB | SD  |  Volume serial: A0B0C1\r\n"
              "\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\");
}

TEST(FormatDialogSummary, MissingLabelAndBusNames) {
    FormatTarget target = cardTarget();
    target.volume.label.clear();
    EXPECT_NE(formatDialogSummary(target).find("F:\\  |  (no label)  |  "), std::string::npos);
    for (const auto& [bus, name] : {std::pair<std::uint32_t, const char*>{kBusUsb, "| USB  |"},
                                    {kBusSd, "| SD  |"},
                                    {kBusMmc, "| MMC  |"},
                                    {0, "| MMC  |"}}) {
        target.busType = bus;
        EXPECT_NE(formatDialogSummary(target).find(name), std::string::npos) << bus;
    }
}

TEST(FormatDialogSummary, PreviewSampleTouchesNoDiskAndShowsZeros) {
    const FormatDialogData data = previewFormatDialogData();
    EXPECT_TRUE(data.preview);
    EXPECT_EQ(data.clusterBytes, 0u);
    EXPECT_EQ(formatDialogSummary(data.target),
              "Z:\\  |  PREVIEW SAMPLE  |  64.0 GiB total  |  Current filesystem: NTFS\r\n"
              "Disk 999  |  Allocation: 0.0 KiB | USB  |  Volume serial: 0\r\n");
}

TEST(FormatDialogChoices, EveryAllocationOfferedIsAcceptedByTheCommand) {
    for (const auto& choice : kClusterChoices)
        EXPECT_TRUE(isValidClusterBytes(choice.clusterBytes)) << choice.text;
}

}  // namespace
}  // namespace orvane
