#include <gtest/gtest.h>

#include "format/format_query_bytes.h"
#include "format/format_target_rules.h"
#include "tests/support/byte_builder.h"

namespace orvane {
namespace {

using testing::Bytes;
using testing::put32;
using testing::put64;
using testing::putGuid;
namespace at = query_layout;

const Guid kType{0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
const Guid kId{0xA1A2A3A4, 0xB1B2, 0xC1C2, {0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8}};

TEST(FormatQueryBytes, AnswerMustFitBetweenTheMinimumAndTheBuffer) {
    const Bytes buffer{1, 2, 3, 4};
    EXPECT_FALSE(returnedBytes(false, 4, buffer, 0));
    EXPECT_FALSE(returnedBytes(true, 1, buffer, 2));
    EXPECT_FALSE(returnedBytes(true, 5, buffer, 0));
    EXPECT_EQ(returnedBytes(true, 2, buffer, 2), (Bytes{1, 2}));
    EXPECT_EQ(returnedBytes(true, 4, buffer, 0), buffer);
}

TEST(FormatQueryBytes, ExtentAndGeometryFields) {
    Bytes extents(at::kExtentsBytes, 0xEE);
    put32(extents, at::kExtentCountAt, 1);
    put32(extents, at::kExtentDiskAt, 3);
    put64(extents, at::kExtentOffsetAt, 0x0102030405060708ull);
    put64(extents, at::kExtentLengthAt, 0x1112131415161718ull);
    const DiskExtentFacts extent = diskExtentFromBytes(extents);
    EXPECT_EQ(extent.extentCount, 1u);
    EXPECT_EQ(extent.diskNumber, 3u);
    EXPECT_EQ(extent.offset, 0x0102030405060708ull);
    EXPECT_EQ(extent.length, 0x1112131415161718ull);

    Bytes geometry(at::kGeometryDiskSizeAt + 8, 0xEE);
    put64(geometry, at::kGeometryDiskSizeAt, 64000000000ull);
    EXPECT_EQ(geometryDiskSizeFromBytes(geometry), 64000000000ull);
}

// Both halves of the union hold bytes: only the style's own half is read.
Bytes partitionBytes(std::uint32_t style) {
    Bytes bytes(disk_layout::kPartitionEntryBytes, 0);
    put32(bytes, at::kPartitionStyleAt, style);
    put64(bytes, disk_layout::kPartitionOffsetAt, 16777216);
    put64(bytes, disk_layout::kPartitionLengthAt, 0x123456789Aull);
    put32(bytes, at::kPartitionNumberAt, 2);
    putGuid(bytes, at::kPartitionGptTypeAt, kType);  // its first bytes are the MBR fields
    putGuid(bytes, at::kPartitionGptIdAt, kId);
    put64(bytes, at::kPartitionGptAttributesAt, 1ull << 63);
    return bytes;
}

TEST(FormatQueryBytes, PartitionFieldsOfEachStyle) {
    const PartitionFacts mbr = partitionFromBytes(partitionBytes(kPartitionStyleMbr));
    EXPECT_EQ(mbr.style, kPartitionStyleMbr);
    EXPECT_EQ(mbr.offset, 16777216u);
    EXPECT_EQ(mbr.length, 0x123456789Aull);
    EXPECT_EQ(mbr.number, 2u);
    EXPECT_EQ(mbr.mbrType, 0x04);
    EXPECT_TRUE(mbr.bootIndicator);
    EXPECT_TRUE(mbr.gptType.isZero() && mbr.gptId.isZero());
    EXPECT_EQ(mbr.gptAttributes, 0u);

    const PartitionFacts gpt = partitionFromBytes(partitionBytes(kPartitionStyleGpt));
    EXPECT_EQ(gpt.gptType, kType);
    EXPECT_EQ(gpt.gptId, kId);
    EXPECT_EQ(gpt.gptAttributes, 1ull << 63);
    EXPECT_EQ(gpt.mbrType, 0);
    EXPECT_FALSE(gpt.bootIndicator);

    const PartitionFacts raw = partitionFromBytes(partitionBytes(2));
    EXPECT_EQ(raw.mbrType, 0);
    EXPECT_TRUE(raw.gptType.isZero());
}

}  // namespace
}  // namespace orvane
