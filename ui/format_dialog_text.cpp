#include "ui/format_dialog_text.h"

#include <cstdio>

#include "format/format_target_rules.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

std::string fixedOneDecimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

const char* busName(std::uint32_t busType) {
    if (busType == kBusUsb)
        return "USB";
    if (busType == kBusSd)
        return "SD";
    return "MMC";
}

}  // namespace

std::string formatDialogSummary(const FormatTarget& target) {
    const VolumeInfo& volume = target.volume;
    char serial[16];
    std::snprintf(serial, sizeof serial, "%lX", static_cast<unsigned long>(target.volumeSerial));
    return toUtf8(volume.root) + "  |  " +
           (volume.label.empty() ? std::string("(no label)") : toUtf8(volume.label)) + "  |  " +
           fixedOneDecimal(static_cast<double>(volume.totalBytes) / (1024.0 * 1024.0 * 1024.0)) +
           " GiB total  |  Current filesystem: " + toUtf8(volume.filesystem) + "\r\nDisk " +
           std::to_string(target.diskNumber) + "  |  Allocation: " +
           fixedOneDecimal(static_cast<double>(volume.allocationUnitBytes) / 1024.0) + " KiB | " +
           busName(target.busType) + "  |  Volume serial: " + serial + "\r\n" +
           toUtf8(target.volumePath);
}

FormatDialogData previewFormatDialogData() {
    FormatDialogData data;
    data.target.volume.root = fromUtf8("Z:\\");
    data.target.volume.label = fromUtf8("PREVIEW SAMPLE");
    data.target.volume.filesystem = fromUtf8("NTFS");
    data.target.volume.totalBytes = 68719476736ull;  // 64 GiB
    data.target.diskNumber = 999;
    data.target.busType = kBusUsb;
    data.clusterBytes = 0;
    data.label = fromUtf8(format_dialog_text::kInitialLabel);
    data.preview = true;
    return data;
}

}  // namespace orvane
