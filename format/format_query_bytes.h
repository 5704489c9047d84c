#pragma once
// The raw answers of the disk queries decoded into plain facts, apart from the calls, so that the
// decoding runs (and is tested) anywhere with crafted bytes. Offsets are those of the x64
// structures; the Windows file static-asserts each against its header.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "format/format_snapshot.h"
#include "format/format_target.h"

namespace orvane {

namespace query_layout {
inline constexpr std::size_t kExtentCountAt = 0;  // VOLUME_DISK_EXTENTS, first extent only
inline constexpr std::size_t kExtentDiskAt = 8;
inline constexpr std::size_t kExtentOffsetAt = 16;
inline constexpr std::size_t kExtentLengthAt = 24;
inline constexpr std::size_t kExtentsBytes = 32;
inline constexpr std::size_t kPartitionStyleAt = 0;  // PARTITION_INFORMATION_EX
inline constexpr std::size_t kPartitionNumberAt = 24;
inline constexpr std::size_t kPartitionBootAt = 33;
inline constexpr std::size_t kPartitionGptTypeAt = 32;
inline constexpr std::size_t kPartitionGptIdAt = 48;
inline constexpr std::size_t kPartitionGptAttributesAt = 64;
inline constexpr std::size_t kGeometryDiskSizeAt = 24;  // DISK_GEOMETRY_EX
}  // namespace query_layout

// Little-endian fields of a query's answer.
std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t at);
std::uint64_t u64At(const std::vector<std::uint8_t>& bytes, std::size_t at);
Guid guidAt(const std::vector<std::uint8_t>& bytes, std::size_t at);

// What a query that fills a buffer answered: nothing when the call failed, or returned fewer than
// minimum bytes or more than the buffer holds; else the buffer cut to the returned bytes.
std::optional<std::vector<std::uint8_t>> returnedBytes(bool succeeded, std::size_t returned,
                                                       std::vector<std::uint8_t> buffer,
                                                       std::size_t minimum);

// Each decoder reads a buffer of at least the structure's size.
DiskExtentFacts diskExtentFromBytes(const std::vector<std::uint8_t>& bytes);
PartitionFacts partitionFromBytes(const std::vector<std::uint8_t>& bytes);
std::uint64_t geometryDiskSizeFromBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace orvane
