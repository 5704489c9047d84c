#pragma once
// Little-endian fields written into a byte image: raw query answers and disk images.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format/format_target.h"
#include "format/format_target_rules.h"

namespace orvane::testing {

using Bytes = std::vector<std::uint8_t>;

// Writes the low `width` bytes of value at `at`, least significant first.
inline void putLe(Bytes& bytes, std::size_t at, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    putLe(bytes, at, value, 4);
}
inline void put64(Bytes& bytes, std::size_t at, std::uint64_t value) {
    putLe(bytes, at, value, 8);
}
// A GUID as Windows lays it out: three little-endian fields, then eight bytes as they are.
inline void putGuid(Bytes& bytes, std::size_t at, const Guid& guid) {
    put32(bytes, at, guid.data1);
    putLe(bytes, at + 4, guid.data2, 2);
    putLe(bytes, at + 6, guid.data3, 2);
    std::copy(guid.data4.begin(), guid.data4.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
}

// A storage device descriptor as the property query returns it, serial text after the header.
inline Bytes descriptorBytes(std::uint32_t busType, const std::string& serial,
                             bool terminated = true) {
    const std::size_t header = disk_layout::kDescriptorBytes;
    const std::size_t tail = serial.empty() ? 0 : serial.size() + (terminated ? 1 : 0);
    Bytes bytes(header + tail, 0);
    put32(bytes, disk_layout::kDescriptorBusTypeAt, busType);
    if (!serial.empty()) {
        put32(bytes, disk_layout::kDescriptorSerialOffsetAt, static_cast<std::uint32_t>(header));
        for (std::size_t i = 0; i < serial.size(); ++i)
            bytes[header + i] = static_cast<std::uint8_t>(serial[i]);
    }
    return bytes;
}

struct LayoutEntry {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint8_t mbrType = 0x07;
};

// A drive layout answer: GPT layouts carry diskId, MBR ones the signature 0x12345678.
inline Bytes layoutBytes(std::uint32_t style, const std::vector<LayoutEntry>& entries,
                         const Guid& diskId = Guid{}) {
    Bytes bytes(
        disk_layout::kLayoutHeaderBytes + entries.size() * disk_layout::kPartitionEntryBytes, 0);
    put32(bytes, disk_layout::kLayoutStyleAt, style);
    put32(bytes, disk_layout::kLayoutCountAt, static_cast<std::uint32_t>(entries.size()));
    if (style == kPartitionStyleGpt)
        putGuid(bytes, disk_layout::kLayoutDiskIdAt, diskId);
    else
        put32(bytes, disk_layout::kLayoutSignatureAt, 0x12345678);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at =
            disk_layout::kLayoutHeaderBytes + i * disk_layout::kPartitionEntryBytes;
        put32(bytes, at, style);
        put64(bytes, at + disk_layout::kPartitionOffsetAt, entries[i].offset);
        put64(bytes, at + disk_layout::kPartitionLengthAt, entries[i].length);
        if (style == kPartitionStyleMbr)
            bytes[at + disk_layout::kPartitionMbrTypeAt] = entries[i].mbrType;
    }
    return bytes;
}

// CRC-32 (IEEE) of n bytes from at, as GPT headers and tables carry it.
inline std::uint32_t crc32(const Bytes& b, std::size_t at, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = at; i < at + n; ++i) {
        c ^= b[i];
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

// A whole disk image with an MBR or a protective MBR and both GPT copies. The hooks put a single
// fault in: headerFault before a header's checksums are made, afterSums into the finished image.
struct DiskImage {
    struct Mbr {
        std::uint8_t type;
        std::uint32_t start, sectors;
        std::uint8_t status = 0;
    };
    std::uint32_t sector = 512;
    std::uint64_t sectors = 2048;
    bool gpt = false;
    std::vector<Mbr> mbr;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> partitions;  // GPT first and last LBA
    std::uint32_t entryCount = 128;
    std::function<void(Bytes& header, Bytes& table, bool primary)> headerFault;
    std::function<void(Bytes&, const DiskImage&)> afterSums;
    std::uint64_t truncateTo = 0;

    std::uint64_t bytes() const { return sectors * sector; }
    std::uint64_t tableSectors() const { return (entryCount * 128ull + sector - 1) / sector; }
    std::uint64_t firstUsable() const { return 2 + tableSectors(); }
    std::uint64_t lastUsable() const { return sectors - 2 - tableSectors(); }
    std::uint64_t tableLba(bool primary) const {
        return primary ? 2 : sectors - 1 - tableSectors();
    }

    Bytes build() const {
        Bytes disk(bytes(), 0);
        disk[510] = 0x55;
        disk[511] = 0xAA;
        std::vector<Mbr> entries = mbr;
        if (gpt && entries.empty())  // the protective entry, unless the image brings its own
            entries.push_back({0xEE, 1, static_cast<std::uint32_t>(sectors - 1)});
        for (std::size_t i = 0; i < entries.size(); ++i) {
            disk[446 + 16 * i] = entries[i].status;
            disk[446 + 16 * i + 4] = entries[i].type;
            put32(disk, 446 + 16 * i + 8, entries[i].start);
            put32(disk, 446 + 16 * i + 12, entries[i].sectors);
        }
        for (const bool primary : {true, false}) {
            if (!gpt)
                break;
            Bytes table(entryCount * 128ull, 0);
            for (std::size_t i = 0; i < partitions.size(); ++i) {
                table[i * 128] = 0xA2;  // a non-zero type GUID
                table[i * 128 + 16] = static_cast<std::uint8_t>(i + 1);
                put64(table, i * 128 + 32, partitions[i].first);
                put64(table, i * 128 + 40, partitions[i].second);
            }
            const Bytes written = table;
            Bytes h(sector, 0);
            std::copy_n("EFI PART", 8, h.begin());
            put32(h, 8, 0x00010000);
            put32(h, 12, 92);
            put64(h, 24, primary ? 1 : sectors - 1);
            put64(h, 32, primary ? sectors - 1 : 1);
            put64(h, 40, firstUsable());
            put64(h, 48, lastUsable());
            for (std::size_t i = 56; i < 72; ++i)
                h[i] = static_cast<std::uint8_t>(0xA0 + i);
            put64(h, 72, tableLba(primary));
            put32(h, 80, entryCount);
            put32(h, 84, 128);
            if (headerFault)
                headerFault(h, table, primary);
            put32(h, 88, crc32(table, 0, table.size()));
            const std::uint32_t size = h[12] | std::uint32_t{h[13]} << 8;
            put32(h, 16, crc32(h, 0, std::min<std::size_t>(size, h.size())));
            const auto lba = [&](std::uint64_t at) {
                return disk.begin() + static_cast<std::ptrdiff_t>(at * sector);
            };
            std::copy(written.begin(), written.end(), lba(tableLba(primary)));
            std::copy(h.begin(), h.end(), lba(primary ? 1 : sectors - 1));
        }
        if (afterSums)
            afterSums(disk, *this);
        if (truncateTo)
            disk.resize(truncateTo);
        return disk;
    }
};

}  // namespace orvane::testing
