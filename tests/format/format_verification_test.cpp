#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/format_verification.h"
#include "platform/text_encoding.h"
#include "tests/format/format_fixtures.h"

namespace orvane {
namespace {

namespace text = format_verdict_text;
const std::string kSuffix = text::kNotVerifiedSuffix;

FormatRequest request(std::uint32_t cluster) {
    return {testing::sampleTarget(kPartitionStyleMbr), fromUtf8("orvane"), cluster};
}

// The verdict on the volume after a successful format to the request, changed by `change`, as
// "verified? | status | details".
std::string verdictFor(std::uint32_t cluster, std::uint64_t allocation,
                       const std::function<void(FormatTarget&)>& change = {}) {
    FormatTarget fresh = request(cluster).target;
    fresh.volume.filesystem = fromUtf8("exFAT");
    fresh.volume.label = fromUtf8("orvane");
    fresh.volume.allocationUnitBytes = allocation;
    fresh.volumeSerial = 0xABCD;  // a format gives a new serial
    fresh.partitionNumber = 7;    // not part of the comparison
    if (change)
        change(fresh);
    const FormatVerdict v = verifyFormatOutcome(0, request(cluster), [&] { return fresh; });
    return (v.verified ? "yes | " : "no | ") + v.status + " | " + v.details;
}

TEST(FormatVerification, TheRequestedVolumeIsVerified) {
    EXPECT_EQ(verdictFor(131072, 131072),
              "yes | Format verified. Select a live target again. | Verified exFAT label orvane; "
              "actual allocation 128.0 KiB. Select a live drive and run a fresh benchmark.");
    // The Windows default accepts whatever non-zero allocation Windows chose.
    EXPECT_NE(verdictFor(0, 32768, [](FormatTarget& t) { t.volume.filesystem = fromUtf8("EXFAT"); })
                  .find("yes | Format verified. Select a live target again. | Verified exFAT label "
                        "orvane; actual allocation 32.0 KiB."),
              std::string::npos);
}

TEST(FormatVerification, AnyDifferenceIsNotVerified) {
    const std::vector<std::pair<const char*, std::function<void(FormatTarget&)>>> changes = {
        {text::kResultDiffers, [](FormatTarget& t) { t.volume.label = fromUtf8("ORVANE"); }},
        {text::kResultDiffers, [](FormatTarget& t) { t.volume.filesystem = fromUtf8("FAT32"); }},
        {text::kResultDiffers, [](FormatTarget& t) { t.volume.allocationUnitBytes = 0; }},
        {text::kResultDiffers, [](FormatTarget& t) { t.volume.allocationUnitBytes = 131072; }},
        {text::kIdentityChanged, [](FormatTarget& t) { t.deviceSerial = fromUtf8("SER2"); }},
        {text::kIdentityChanged, [](FormatTarget& t) { t.diskNumber = 4; }},
        {text::kIdentityChanged, [](FormatTarget& t) { t.volumePath[12] = 'A'; }},
        {text::kIdentityChanged, [](FormatTarget& t) { t.partitionId = fromUtf8("{X}"); }},
        {text::kIdentityChanged, [](FormatTarget& t) { t.diskId = fromUtf8("1"); }},
        {text::kIdentityChanged, [](FormatTarget& t) { t.partitionOffset += 512; }},
        {text::kIdentityChanged, [](FormatTarget& t) { t.partitionLength += 512; }},
        {text::kIdentityChanged, [](FormatTarget& t) { t.diskBytes += 512; }},
        {text::kIdentityChanged, [](FormatTarget& t) { ++t.busType; }},
    };
    for (std::size_t i = 0; i < changes.size(); ++i)
        EXPECT_EQ(verdictFor(65536, 65536, changes[i].second),
                  "no | Format could not be verified. Contents may have changed. | " +
                      std::string(changes[i].first) + kSuffix)
            << i;
}

TEST(FormatVerification, RefusedReviewAndFailedScriptAreNotVerified) {
    const FormatVerdict refused = verifyFormatOutcome(0, request(0), []() -> FormatTarget {
        throw std::runtime_error("Read-only volumes cannot be formatted.");
    });
    EXPECT_EQ(refused.details, "Read-only volumes cannot be formatted." + kSuffix);
    bool reviewed = false;
    const FormatVerdict failed = verifyFormatOutcome(1, request(0), [&] {
        reviewed = true;
        return request(0).target;
    });
    EXPECT_FALSE(refused.verified || failed.verified || reviewed);
    EXPECT_EQ(failed.details, kSuffix);
}

}  // namespace
}  // namespace orvane
