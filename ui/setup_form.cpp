#include "ui/setup_form.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "engine/number_text.h"
#include "engine/text_encoding.h"

namespace orvane {

namespace {

constexpr double kMinimumModelGB = 0.1;
constexpr double kMaximumModelGB = 1000.0;
constexpr std::uint64_t kMiB = 1048576;
constexpr double kGiB = 1073741824.0;
// As many 16 KiB units as the 250,000 random 4 KiB writes a run may add at most.
constexpr std::uint64_t kRandomWriteAllowanceUnits = 62500;
constexpr std::uint64_t kSmallFileBytes = 16384;


bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits with an optional fraction, or a bare fraction: "6", "6.6", ".5". Written out rather
// than as std::regex, whose recursive matcher overflows the stack on a long pasted text.
bool isCompleteDecimal(const std::string& text) {
    std::size_t at = 0;
    const auto digitsFrom = [&](std::size_t from) {
        std::size_t end = from;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        return end;
    };
    const std::size_t whole = digitsFrom(0);
    at = whole;
    if (at == text.size())
        return whole > 0;
    if (text[at] != '.')
        return false;
    const std::size_t fraction = digitsFrom(at + 1);
    return fraction > at + 1 && fraction == text.size();
}

NativeString nativeOf(const std::string& ascii) {
    return fromUtf8(ascii);
}

NativeString::value_type foldAscii(NativeString::value_type c) {
    return (c >= 'a' && c <= 'z') ? static_cast<NativeString::value_type>(c - 'a' + 'A') : c;
}

bool equalIgnoringAsciiCase(const NativeString& a, const NativeString& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto x, auto y) {
               return foldAscii(x) == foldAscii(y);
           });
}

}  // namespace

const std::array<TestDepth, 3>& testDepths() {
    static const std::array<TestDepth, 3> depths{{
        {"Quick - 256 MiB", 256 * kMiB, 3.0, 64, "Quick"},
        {"Standard - 1 GiB", 1024 * kMiB, 8.0, 200, "Standard"},
        {"Extended - 3 GiB", 3072 * kMiB, 20.0, 500, "Extended"},
    }};
    return depths;
}

void applyTestDepth(RunOptions& options, int depthIndex) {
    const auto& depths = testDepths();
    const TestDepth& depth = (depthIndex >= 0 && depthIndex < static_cast<int>(depths.size()))
                                 ? depths[static_cast<std::size_t>(depthIndex)]
                                 : depths[kStandardDepthIndex];
    options.testBytes = depth.testBytes;
    options.randomSecondsPerPhase = depth.randomSecondsPerPhase;
    options.smallFiles = depth.smallFiles;
    options.profile = depth.profile;
}

double parseModelSize(const std::string& text) {
    if (!isCompleteDecimal(text))
        throw std::runtime_error(kIncompleteModelSizeMessage);
    double value = 0.0;
    std::size_t consumed = 0;
    try {
        value = std::stod(text, &consumed);
    } catch (const std::logic_error&) {  // invalid_argument or out_of_range
        throw std::runtime_error(kUnreadableModelSizeMessage);
    }
    if (consumed != text.size() || !std::isfinite(value) || value < kMinimumModelGB ||
        value > kMaximumModelGB) {
        throw std::runtime_error(kModelSizeRangeMessage);
    }
    return value;
}

RunOptions runOptionsFromForm(const NativeString& folder, int depthIndex,
                              const std::string& modelSizeText) {
    RunOptions options;
    options.folder = folder;
    applyTestDepth(options, depthIndex);
    options.modelGB = parseModelSize(modelSizeText);
    return options;
}

std::string datasetSummaryText(const RunOptions& options) {
    const std::uint64_t smallFiles =
        options.smallFiles > 0 ? static_cast<std::uint64_t>(options.smallFiles) : 0;
    const std::uint64_t maximumWrites =
        options.testBytes + (smallFiles + kRandomWriteAllowanceUnits) * kSmallFileBytes;
    return "Temporary dataset: " + std::to_string(options.testBytes / kMiB) +
           " MiB  |  Random tests: " +
           std::to_string(static_cast<long long>(std::trunc(options.randomSecondsPerPhase))) +
           " s each  |  Maximum writes: " + fixedDecimalText(static_cast<double>(maximumWrites) / kGiB, 2) +
           " GiB";
}

NativeString targetLineText(const VolumeInfo& volume) {
    const NativeString separator = nativeOf("  |  ");
    return volume.root + nativeOf("  ") + volume.label + separator + volume.filesystem + separator +
           volume.type + separator +
           nativeOf(fixedDecimalText(static_cast<double>(volume.freeBytesBefore) / kGiB, 1) + " GiB free");
}

std::string modelSizeTextAfterArrow(double modelGB, std::int64_t delta) {
    constexpr std::int64_t kLowest = 1, kHighest = 10000;
    // Clamp before rounding so that no stored value, however odd, overflows the step.
    const double bounded = std::clamp(modelGB * 10.0, -1e12, 1e12);
    std::int64_t tenths = std::isfinite(bounded) ? std::llround(bounded) : kLowest;
    delta = std::clamp<std::int64_t>(delta, -kHighest, kHighest);
    tenths = std::clamp(tenths + delta, kLowest, kHighest);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

NativeString driveEntryText(const NativeString& root, const NativeString& label, bool removable) {
    return root + nativeOf("  ") + label +
           nativeOf(removable ? "  [removable]" : "  [fixed / external]");
}

int matchingDriveIndex(const std::vector<NativeString>& driveRoots, const NativeString& root) {
    int match = -1;
    for (std::size_t i = 0; i < driveRoots.size(); ++i) {
        if (equalIgnoringAsciiCase(driveRoots[i], root))
            match = static_cast<int>(i);
    }
    return match;
}

}  // namespace orvane
