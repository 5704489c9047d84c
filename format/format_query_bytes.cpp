#include "format/format_query_bytes.h"

#include <utility>

#include "format/format_target_rules.h"

namespace orvane {

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= std::uint32_t{bytes[at + i]} << (8 * i);
    return value;
}

std::uint64_t u64At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return u32At(bytes, at) | (std::uint64_t{u32At(bytes, at + 4)} << 32);
}

Guid guidAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    Guid guid;
    guid.data1 = u32At(bytes, at);
    guid.data2 = static_cast<std::uint16_t>(bytes[at + 4] | (bytes[at + 5] << 8));
    guid.data3 = static_cast<std::uint16_t>(bytes[at + 6] | (bytes[at + 7] << 8));
    for (std::size_t i = 0; i < 8; ++i)
        guid.data4[i] = bytes[at + 8 + i];
    return guid;
}

std::optional<std::vector<std::uint8_t>> returnedBytes(bool succeeded, std::size_t returned,
                                                       std::vector<std::uint8_t> buffer,
                                                       std::size_t minimum) {
    if (!succeeded || returned < minimum || returned > buffer.size())
        return std::nullopt;
    buffer.resize(returned);
    return buffer;
}

DiskExtentFacts diskExtentFromBytes(const std::vector<std::uint8_t>& bytes) {
    using namespace query_layout;
    return {u32At(bytes, kExtentCountAt), u32At(bytes, kExtentDiskAt),
            u64At(bytes, kExtentOffsetAt), u64At(bytes, kExtentLengthAt)};
}

PartitionFacts partitionFromBytes(const std::vector<std::uint8_t>& bytes) {
    using namespace query_layout;
    PartitionFacts partition;
    partition.style = u32At(bytes, kPartitionStyleAt);
    partition.offset = u64At(bytes, disk_layout::kPartitionOffsetAt);
    partition.length = u64At(bytes, disk_layout::kPartitionLengthAt);
    partition.number = u32At(bytes, kPartitionNumberAt);
    if (partition.style == kPartitionStyleMbr) {
        partition.mbrType = bytes[disk_layout::kPartitionMbrTypeAt];
        partition.bootIndicator = bytes[kPartitionBootAt] != 0;
    } else if (partition.style == kPartitionStyleGpt) {
        partition.gptType = guidAt(bytes, kPartitionGptTypeAt);
        partition.gptId = guidAt(bytes, kPartitionGptIdAt);
        partition.gptAttributes = u64At(bytes, kPartitionGptAttributesAt);
    }
    return partition;
}

std::uint64_t geometryDiskSizeFromBytes(const std::vector<std::uint8_t>& bytes) {
    return u64At(bytes, query_layout::kGeometryDiskSizeAt);
}

}  // namespace orvane
