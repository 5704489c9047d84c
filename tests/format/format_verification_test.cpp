#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/format_verification.h"
#include "platform/text_encoding.h"

namespace orvane {
namespace {

const std::string kSuffix = format_verdict_text::kNotVerifiedSuffix;

FormatTarget savedTarget() {
    FormatTarget target;
    target.volume.root = fromUtf8("F:\\");
    target.volume.filesystem = fromUtf8("FAT32");
    target.volume.label = fromUtf8("OLD");
    target.volume.allocationUnitBytes = 4096;
    target.volumePath = fromUtf8("\\\\?\\Volume{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}\\");
    target.volumeSerial = 1;
    target.diskNumber = 3;
    target.busType = 7;
    target.deviceSerial = fromUtf8("SER1");
    target.diskId = fromUtf8("305419896");
    target.partitionOffset = 1048576;
    target.partitionLength = 1073741824;
    target.diskBytes = 2147483648;
    target.partitionNumber = 1;
    return target;
}

// What the volume looks like after a successful format to the request.
FormatTarget formatted(const FormatRequest& request, std::uint64_t allocation) {
    FormatTarget fresh = request.target;
    fresh.volume.filesystem = fromUtf8("exFAT");
    fresh.volume.label = request.label;
    fresh.volume.allocationUnitBytes = allocation;
    fresh.volumeSerial = 0xABCD;  // a format gives a new serial
    fresh.partitionNumber = 7;    // not part of the comparison
    return fresh;
}

FormatRequest request(std::uint32_t cluster) {
    return {savedTarget(), fromUtf8("orvane"), cluster};
}

TEST(FormatVerification, ExitCodeZeroAndTheRequestedVolumeIsVerified) {
    const FormatRequest asked = request(131072);
    const FormatVerdict verdict =
        verifyFormatOutcome(0, asked, [&] { return formatted(asked, 131072); });
    EXPECT_TRUE(verdict.verified);
    EXPECT_EQ(verdict.status, "Format verified. Select a live target again.");
    EXPECT_EQ(
        verdict.details,
        "Verified exFAT label orvane; actual allocation 128.0 KiB. Select a live drive and run a "
        "fresh benchmark.");

    // The Windows default accepts whatever non-zero allocation Windows chose, and reports it.
    const FormatRequest byDefault = request(0);
    FormatTarget upperCaseFs = formatted(byDefault, 32768);
    upperCaseFs.volume.filesystem = fromUtf8("EXFAT");
    const FormatVerdict chosen = verifyFormatOutcome(0, byDefault, [&] { return upperCaseFs; });
    EXPECT_TRUE(chosen.verified);
    EXPECT_NE(chosen.details.find("actual allocation 32.0 KiB."), std::string::npos);
}

TEST(FormatVerification, ResultThatDiffersFromTheRequestIsNotVerified) {
    const FormatRequest asked = request(65536);
    const std::vector<std::function<void(FormatTarget&)>> differences = {
        [](FormatTarget& t) { t.volume.label = fromUtf8("ORVANE"); },  // other letter case
        [](FormatTarget& t) { t.volume.filesystem = fromUtf8("FAT32"); },
        [](FormatTarget& t) { t.volume.allocationUnitBytes = 0; },
        [](FormatTarget& t) { t.volume.allocationUnitBytes = 131072; },
    };
    for (std::size_t i = 0; i < differences.size(); ++i) {
        FormatTarget fresh = formatted(asked, 65536);
        differences[i](fresh);
        const FormatVerdict verdict = verifyFormatOutcome(0, asked, [&] { return fresh; });
        EXPECT_FALSE(verdict.verified) << i;
        EXPECT_EQ(verdict.status, "Format could not be verified. Contents may have changed.");
        EXPECT_EQ(verdict.details, std::string(format_verdict_text::kResultDiffers) + kSuffix) << i;
    }
}

TEST(FormatVerification, ChangedDeviceIdentityIsNotVerified) {
    const FormatRequest asked = request(0);
    const std::vector<std::function<void(FormatTarget&)>> changes = {
        [](FormatTarget& t) { t.deviceSerial = fromUtf8("SER2"); },
        [](FormatTarget& t) { t.diskNumber = 4; },
        [](FormatTarget& t) { t.volumePath[12] = 'A'; },  // texts compare exactly
        [](FormatTarget& t) { t.partitionId = fromUtf8("{X}"); },
        [](FormatTarget& t) { t.diskId = fromUtf8("1"); },
        [](FormatTarget& t) { t.partitionOffset += 512; },
        [](FormatTarget& t) { t.partitionLength += 512; },
        [](FormatTarget& t) { t.diskBytes += 512; },
        [](FormatTarget& t) { t.busType = 12; },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        FormatTarget fresh = formatted(asked, 131072);
        changes[i](fresh);
        const FormatVerdict verdict = verifyFormatOutcome(0, asked, [&] { return fresh; });
        EXPECT_FALSE(verdict.verified) << i;
        EXPECT_EQ(verdict.details, std::string(format_verdict_text::kIdentityChanged) + kSuffix)
            << i;
    }
}

TEST(FormatVerification, RefusedReviewAndFailedScriptAreNotVerified) {
    const FormatRequest asked = request(0);
    const FormatVerdict refused = verifyFormatOutcome(0, asked, []() -> FormatTarget {
        throw std::runtime_error("Read-only volumes cannot be formatted.");
    });
    EXPECT_FALSE(refused.verified);
    EXPECT_EQ(refused.details, "Read-only volumes cannot be formatted." + kSuffix);

    for (std::uint32_t exitCode : {2u, 1u, 259u}) {
        bool reviewed = false;
        const FormatVerdict failed = verifyFormatOutcome(exitCode, asked, [&] {
            reviewed = true;
            return formatted(asked, 131072);
        });
        EXPECT_FALSE(failed.verified);
        EXPECT_FALSE(reviewed) << "the volume was reviewed after exit code " << exitCode;
        EXPECT_EQ(failed.status, "Format could not be verified. Contents may have changed.");
        EXPECT_EQ(failed.details, kSuffix);
    }
}

}  // namespace
}  // namespace orvane
