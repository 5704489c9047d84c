#include <gtest/gtest.h>

#include "format/format_query_bytes.h"
#include "format/format_target_rules.h"
#include "tests/support/byte_builder.h"

namespace orvane {
namespace {

using testing::Bytes;
using testing::put;
namespace at = query_layout;

TEST(FormatQueryBytes, AnswerMustFitBetweenTheMinimumAndTheBuffer) {
    const Bytes buffer{1, 2, 3, 4};
    EXPECT_FALSE(returnedBytes(false, 4, buffer, 0));
    EXPECT_FALSE(returnedBytes(true, 1, buffer, 2));
    EXPECT_FALSE(returnedBytes(true, 5, buffer, 0));
    EXPECT_EQ(returnedBytes(true, 2, buffer, 2), (Bytes{1, 2}));
    EXPECT_EQ(returnedBytes(true, 4, buffer, 0), buffer);
}

TEST(FormatQueryBytes, ExtentAndGeometryFields) {
    Bytes b(at::kExtentsBytes + at::kGeometryDiskSizeAt + 8, 0xEE);
    put(b, at::kExtentCountAt, 1);
    put(b, at::kExtentDiskAt, 3);
    put(b, at::kExtentOffsetAt, 0x0102030405060708ull, 8);
    put(b, at::kExtentLengthAt, 0x1112131415161718ull, 8);
    const DiskExtentFacts e = diskExtentFromBytes(b);
    EXPECT_EQ(std::vector<std::uint64_t>({e.extentCount, e.diskNumber, e.offset, e.length}),
              std::vector<std::uint64_t>({1, 3, 0x0102030405060708ull, 0x1112131415161718ull}));
    put(b, at::kGeometryDiskSizeAt, 64000000000ull, 8);
    EXPECT_EQ(geometryDiskSizeFromBytes(b), 64000000000ull);
}

// Both halves of the union hold bytes: only the style's own half is read.
TEST(FormatQueryBytes, PartitionFieldsOfEachStyle) {
    const Guid type{0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
    const Guid id{0xA1A2A3A4, 0xB1B2, 0xC1C2, {0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8}};
    Bytes b(disk_layout::kPartitionEntryBytes, 0);
    put(b, disk_layout::kPartitionOffsetAt, 16777216, 8);
    put(b, disk_layout::kPartitionLengthAt, 0x123456789Aull, 8);
    put(b, at::kPartitionNumberAt, 2);
    testing::putGuid(b, at::kPartitionGptTypeAt, type);  // its first bytes are the MBR fields
    testing::putGuid(b, at::kPartitionGptIdAt, id);
    put(b, at::kPartitionGptAttributesAt, 1ull << 63, 8);
    const auto as = [&b](std::uint32_t style) {
        put(b, at::kPartitionStyleAt, style);
        return partitionFromBytes(b);
    };
    const PartitionFacts mbr = as(kPartitionStyleMbr), gpt = as(kPartitionStyleGpt), raw = as(2);
    EXPECT_EQ(std::vector<std::uint64_t>({mbr.style, mbr.offset, mbr.length, mbr.number,
                                          mbr.mbrType, mbr.bootIndicator, mbr.gptAttributes}),
              std::vector<std::uint64_t>({0, 16777216, 0x123456789Aull, 2, 0x04, 1, 0}));
    EXPECT_TRUE(mbr.gptType.isZero() && mbr.gptId.isZero() && raw.gptType.isZero());
    EXPECT_TRUE(gpt.gptType == type && gpt.gptId == id && gpt.gptAttributes == 1ull << 63);
    EXPECT_TRUE(gpt.mbrType == 0 && !gpt.bootIndicator && raw.mbrType == 0);
}

}  // namespace
}  // namespace orvane
