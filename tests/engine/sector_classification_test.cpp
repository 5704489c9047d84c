// What one sector read back is taken for, case by case.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/sector_classification.h"

namespace orvane {
namespace {

constexpr std::uint64_t kSeed = 0x1122334455667788;
constexpr std::uint64_t kPosition = 5 * 1048576 + 3 * 4096;
constexpr std::uint64_t kFill = 16 * 1048576;

struct SectorCase {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    SectorState expected;
};

void PrintTo(const SectorCase& row, std::ostream* out) {
    *out << row.name;
}

class SectorClassification : public ::testing::TestWithParam<SectorCase> {};

TEST_P(SectorClassification, NamesWhatTheSectorHolds) {
    std::vector<std::uint8_t> pattern(kSectorBytes);
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<std::uint8_t>(i * 7 + 1);
    std::vector<std::uint8_t> sector = pattern;
    stampSectors(sector.data(), kSeed, kPosition, kSectorBytes);
    GetParam().damage(sector);
    EXPECT_EQ(classifySector(sector.data(), pattern.data(), kSeed, kPosition, kFill),
              GetParam().expected);
}

const SectorCase kCases[] = {
    {"AsWritten", [](auto&) {}, SectorState::kIntact},
    {"AnotherPositionsStamp",
     [](auto& s) { stampSectors(s.data(), kSeed, kPosition - 4 * 1048576, kSectorBytes); },
     SectorState::kWrapped},
    {"StampPastTheFill", [](auto& s) { stampSectors(s.data(), kSeed, kFill, kSectorBytes); },
     SectorState::kChanged},
    {"StampBetweenSectors",
     [](auto& s) { stampSectors(s.data(), kSeed, kPosition + 512, kSectorBytes); },
     SectorState::kChanged},
    {"NeverWritten", [](auto& s) { std::fill(s.begin(), s.end(), 0); }, SectorState::kForeign},
    {"AnotherRunsSeed",
     [](auto& s) {
         stampSectors(s.data(), kSeed + 1, kPosition, kSectorBytes);
         s[100] ^= 1;
     },
     SectorState::kForeign},
    {"OnlyTheSeedDamaged", [](auto& s) { s[3] ^= 0x10; }, SectorState::kChanged},
    {"BodyByteFlipped", [](auto& s) { s[4095] ^= 0xff; }, SectorState::kChanged},
    {"FirstBodyByteFlipped", [](auto& s) { s[kSectorStampBytes] ^= 0x01; }, SectorState::kChanged},
};

INSTANTIATE_TEST_SUITE_P(Cases, SectorClassification, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace orvane
