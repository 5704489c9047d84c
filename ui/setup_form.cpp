#include "ui/setup_form.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "engine/number_text.h"
#include "platform/byte_units.h"
#include "platform/text_encoding.h"
#include "reports/model_size_text.h"

namespace orvane {

namespace {

// As many 16 KiB units as the 250,000 random 4 KiB writes a run may add at most.
constexpr std::uint64_t kRandomWriteAllowanceUnits = 62500;
constexpr std::uint64_t kSmallFileBytes = 16384;

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
           " s each  |  Maximum writes: " +
           fixedDecimalText(static_cast<double>(maximumWrites) / static_cast<double>(kGiB), 2) +
           " GiB";
}

NativeString targetLineText(const VolumeInfo& volume) {
    const NativeString separator = nativeOf("  |  ");
    return volume.root + nativeOf("  ") + volume.label + separator + volume.filesystem + separator +
           volume.type + separator +
           nativeOf(
               fixedDecimalText(
                   static_cast<double>(volume.freeBytesBefore) / static_cast<double>(kGiB), 1) +
               " GiB free");
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
