#pragma once
// The format dialog's texts and choices, apart from the dialog so that they are tested anywhere.

#include <array>
#include <cstdint>
#include <string>

#include "ui/format_dialog_data.h"

namespace orvane {

struct ClusterChoice {
    const char* text;
    std::uint32_t clusterBytes;  // 0: the Windows default
};

inline constexpr std::array<ClusterChoice, 5> kClusterChoices{{
    {"Windows default - general use", 0},
    {"32 KiB - smaller files", 32768},
    {"64 KiB - mixed files", 65536},
    {"128 KiB - large model files", 131072},
    {"256 KiB - compare for large files", 262144},
}};

namespace format_dialog_text {
inline constexpr const char* kCaption = "Orvane Varnolt - Format as exFAT";
inline constexpr const char* kPreviewCaption =
    "Orvane Varnolt - Format dialog preview (no disk changes)";
inline constexpr const char* kPreviewHeading = "PREVIEW ONLY - NO DRIVE WILL BE FORMATTED";
inline constexpr const char* kNameRule =
    "1-11 ASCII letters, digits, spaces, _ or -; no outer spaces or leading -.";
inline constexpr const char* kInvalidName =
    "Invalid name: 1-11 ASCII letters, digits, spaces, _ or -; no outer spaces or leading -.";
inline constexpr const char* kNameAccessibleName =
    "Volume name, 1 to 11 ASCII letters, digits, spaces, underscores or hyphens";
inline constexpr const char* kInitialLabel = "orvane";
}  // namespace format_dialog_text

// "F:\  |  CARD  |  29.3 GiB total  |  Current filesystem: FAT32", then the disk, allocation,
// bus and volume serial, then the volume GUID path; lines end with CRLF.
std::string formatDialogSummary(const FormatTarget& target);

// The sample review the preview shows; no disk is touched to make it.
FormatDialogData previewFormatDialogData();

}  // namespace orvane
