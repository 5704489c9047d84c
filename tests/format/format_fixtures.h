#pragma once
// What the format tests share: the script as the source tree holds it and a reviewed target.

#include <string>

#include "format/format_target.h"
#include "platform/text_encoding.h"
#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

inline std::string readFormatScript() {
    return readWholeFile(sourceTree() / "format" / "script" / "format-exfat.ps1");
}

// A reviewed target of either style, sizes of thirteen digits.
inline FormatTarget sampleTarget(std::uint32_t style) {
    const bool gpt = style == kPartitionStyleGpt;
    FormatTarget t;
    t.volume.root = fromUtf8("F:\\");
    t.volume.totalBytes = 1234567890123;
    t.volumePath = fromUtf8("\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\");
    t.volumeSerial = 3735928559u;
    t.diskNumber = 3;
    t.busType = gpt ? 7 : 12;
    t.deviceSerial = fromUtf8("4C530001230517117073");
    t.partitionId = fromUtf8(gpt ? "{01234567-89AB-CDEF-0123-456789ABCDEF}" : "");
    t.diskId = fromUtf8(gpt ? "{FEDCBA98-7654-3210-FEDC-BA9876543210}" : "305419896");
    t.partitionOffset = 16777216;
    t.partitionLength = 1234567954432;
    t.diskBytes = 1234601148416;
    t.partitionNumber = gpt ? 2 : 1;
    t.partitionStyle = style;
    return t;
}

}  // namespace orvane::testing
