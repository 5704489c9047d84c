// The pure rules of a run: option limits, free space, scratch names, the pattern, the draws.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>

#include "engine/random_block_sequence.h"
#include "engine/run_option_rules.h"
#include "engine/test_pattern.h"
#include "engine/utc_timestamp.h"

namespace orvane {
namespace {

constexpr std::uint64_t kMebibyte = 1048576;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct OptionCase {
    const char* label;
    std::uint64_t testBytes;
    double seconds;
    std::int32_t smallFiles;
    double modelGB;
    const char* message;  // nullptr: accepted
};

void PrintTo(const OptionCase& row, std::ostream* out) {
    *out << row.label;
}

class RunOptionLimits : public ::testing::TestWithParam<OptionCase> {};

TEST_P(RunOptionLimits, AcceptOrRefuseWithTheirOwnMessage) {
    const OptionCase& row = GetParam();
    RunOptions options;
    options.testBytes = row.testBytes;
    options.randomSecondsPerPhase = row.seconds;
    options.smallFiles = row.smallFiles;
    options.modelGB = row.modelGB;
    if (row.message == nullptr) {
        EXPECT_NO_THROW(validateRunOptions(options));
        return;
    }
    try {
        validateRunOptions(options);
        ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), row.message);
    }
}

constexpr std::uint64_t k16 = 16 * kMebibyte;

INSTANTIATE_TEST_SUITE_P(
    Boundaries, RunOptionLimits,
    ::testing::Values(OptionCase{"defaults", 1024 * kMebibyte, 8.0, 200, 6.6, nullptr},
                      OptionCase{"smallest", k16, 0.1, 1, 1e-9, nullptr},
                      OptionCase{"largest", 3072 * kMebibyte, 60.0, 1000, 1000.0, nullptr},
                      OptionCase{"size15", 15 * kMebibyte, 8.0, 200, 6.6, kTestSizeMessage},
                      OptionCase{"size3073", 3073 * kMebibyte, 8.0, 200, 6.6, kTestSizeMessage},
                      OptionCase{"sizeOddByte", k16 + 1, 8.0, 200, 6.6, kTestSizeMessage},
                      OptionCase{"sizeZero", 0, 8.0, 200, 6.6, kTestSizeMessage},
                      OptionCase{"seconds005", k16, 0.05, 200, 6.6, kDurationOrCountMessage},
                      OptionCase{"seconds605", k16, 60.5, 200, 6.6, kDurationOrCountMessage},
                      OptionCase{"secondsNaN", k16, kNaN, 200, 6.6, kDurationOrCountMessage},
                      OptionCase{"secondsInfinite", k16, kInfinity, 200, 6.6,
                                 kDurationOrCountMessage},
                      OptionCase{"files0", k16, 8.0, 0, 6.6, kDurationOrCountMessage},
                      OptionCase{"files1001", k16, 8.0, 1001, 6.6, kDurationOrCountMessage},
                      OptionCase{"filesNegative", k16, 8.0, -5, 6.6, kDurationOrCountMessage},
                      OptionCase{"model0", k16, 8.0, 200, 0.0, kModelSizeMessage},
                      OptionCase{"modelNegative", k16, 8.0, 200, -1.0, kModelSizeMessage},
                      OptionCase{"modelAbove1000", k16, 8.0, 200, 1000.001, kModelSizeMessage},
                      OptionCase{"modelInfinite", k16, 8.0, 200, kInfinity, kModelSizeMessage},
                      OptionCase{"modelNaN", k16, 8.0, 200, kNaN, kModelSizeMessage},
                      // The size is checked first, the model last.
                      OptionCase{"allWrong", 1, 0.0, 0, 0.0, kTestSizeMessage},
                      OptionCase{"countAndModelWrong", k16, 8.0, 0, 0.0, kDurationOrCountMessage}),
    [](const ::testing::TestParamInfo<OptionCase>& param) {
        return std::string(param.param.label);
    });

TEST(FreeSpaceRule, TestDataPlus64KiBPerFileAndA256MiBMargin) {
    RunOptions options;
    options.testBytes = k16;
    options.smallFiles = 4;
    const std::uint64_t required = k16 + 65536ull * 4 + 256 * kMebibyte;
    EXPECT_EQ(requiredFreeBytes(options), required);
    EXPECT_NO_THROW(requireFreeSpace(required, options));
    try {
        requireFreeSpace(required - 1, options);
        ADD_FAILURE() << "one byte short accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), kInsufficientSpaceMessage);
    }
    options.testBytes = 3072 * kMebibyte;
    options.smallFiles = 1000;
    EXPECT_EQ(requiredFreeBytes(options), 3072 * kMebibyte + 65536ull * 5096);
}

TEST(ScratchFolderName, PrefixAndTwoLowercaseDigitsPerByte) {
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 17);
    bytes[15] = 0xAB;
    EXPECT_EQ(scratchFolderName(bytes), ".orvane-varnolt-00112233445566778899aabbccddeeab");
}

TEST(TestPattern, TagsEveryStartedBlockLittleEndianAndNothingElse) {
    std::string buffer(4 * 4096, '\x5a');
    auto* bytes = reinterpret_cast<std::uint8_t*>(buffer.data());
    tagBlocks(bytes, 0x0102030405060708ull, 2 * 4096 + 1);  // ceil: three blocks
    for (std::uint64_t block = 0; block < 3; ++block) {
        const std::uint64_t tag = 0x0102030405060708ull + block * 4096;
        for (unsigned byte = 0; byte < 8; ++byte) {
            EXPECT_EQ(bytes[block * 4096 + byte], static_cast<std::uint8_t>(tag >> (8 * byte)))
                << block << ":" << byte;
        }
        EXPECT_EQ(bytes[block * 4096 + 8], 0x5a);
        EXPECT_EQ(bytes[block * 4096 + 4095], 0x5a);
    }
    EXPECT_EQ(buffer.substr(3 * 4096), std::string(4096, '\x5a'));
}

TEST(RandomBlockDraw, RejectsOnlyTheUnevenTopOfTheRange) {
    constexpr std::uint64_t kMax = ~std::uint64_t{0};
    // 2^64 - 1 is a multiple of 3: only the very top draw would favour block 0.
    EXPECT_FALSE(acceptsDraw(kMax, 3));
    EXPECT_TRUE(acceptsDraw(kMax - 1, 3));
    // Powers of two divide 2^64 evenly: nothing is rejected.
    EXPECT_TRUE(acceptsDraw(kMax, 4096));
    EXPECT_TRUE(acceptsDraw(kMax, 1));
    // Just above 2^63 blocks only draws below the block count are fair.
    constexpr std::uint64_t kHalfPlusOne = (std::uint64_t{1} << 63) + 1;
    EXPECT_TRUE(acceptsDraw(kHalfPlusOne - 1, kHalfPlusOne));
    EXPECT_FALSE(acceptsDraw(kHalfPlusOne, kHalfPlusOne));
    EXPECT_FALSE(acceptsDraw(kMax, kHalfPlusOne));
}

TEST(RandomBlockDraw, OddBlockCountsStayInRangeAndReproduce) {
    RandomBlockSequence first(12289), second(12289);  // 48 MiB + 4 KiB
    for (int i = 0; i < 10000; ++i) {
        const std::uint64_t offset = first.nextOffset();
        ASSERT_EQ(offset, second.nextOffset());
        ASSERT_EQ(offset % 4096, 0u);
        ASSERT_LT(offset, 12289ull * 4096);
    }
}

TEST(UtcTimestamp, FormatsWholeSecondsAcrossLeapDaysAndCenturies) {
    EXPECT_EQ(formatUtcTimestamp(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(formatUtcTimestamp(1738346645), "2025-01-31T18:04:05Z");
    EXPECT_EQ(formatUtcTimestamp(951825600), "2000-02-29T12:00:00Z");
    EXPECT_EQ(formatUtcTimestamp(4107542400), "2100-03-01T00:00:00Z");
    EXPECT_EQ(formatUtcTimestamp(-1), "1969-12-31T23:59:59Z");
}

}  // namespace
}  // namespace orvane
