#pragma once
// Where the random 4 KiB requests go: the same offsets in every run of the same size.

#include <cstdint>
#include <random>

namespace orvane {

inline constexpr std::uint64_t kRandomBlockSeed = 41229;

// Rejection rule that makes every block equally likely for any block count.
constexpr bool acceptsDraw(std::uint64_t draw, std::uint64_t blockCount) {
    constexpr std::uint64_t kMax = ~std::uint64_t{0};
    return draw / blockCount < kMax / blockCount || kMax % blockCount == blockCount - 1;
}

class RandomBlockSequence {
  public:
    explicit RandomBlockSequence(std::uint64_t blockCount)
        : engine_(kRandomBlockSeed), blockCount_(blockCount) {}

    // Byte offset of the next drawn 4 KiB block.
    std::uint64_t nextOffset() {
        std::uint64_t draw = engine_();
        while (!acceptsDraw(draw, blockCount_))
            draw = engine_();
        return (draw % blockCount_) * 4096;
    }

  private:
    std::mt19937_64 engine_;
    std::uint64_t blockCount_;
};

}  // namespace orvane
