#pragma once
// The setup panel's rules, apart from its controls: depth presets, the model size text, the
// dataset summary and target lines, the arrow step and the drive list entries.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_records.h"

namespace orvane {

struct TestDepth {
    const char* label;
    std::uint64_t testBytes;
    double randomSecondsPerPhase;
    std::int32_t smallFiles;
    const char* profile;
};

inline constexpr int kStandardDepthIndex = 1;

// Quick, Standard, Extended, in list order.
const std::array<TestDepth, 3>& testDepths();

// Any index outside the list leaves the Standard values (the RunOptions defaults).
void applyTestDepth(RunOptions& options, int depthIndex);

inline constexpr const char* kIncompleteModelSizeMessage =
    "Enter a complete decimal model size, 0.1-1000.0 GB.";
inline constexpr const char* kUnreadableModelSizeMessage =
    "Enter a model size in GB, for example 6.6.";
inline constexpr const char* kModelSizeRangeMessage =
    "Model size must be 0.1-1000.0 GB. Use a decimal point.";

// Decimal GB from the edit text; throws with one of the three messages above.
double parseModelSize(const std::string& text);

// The form as typed: folder unchanged, depth by list index, model size parsed.
RunOptions runOptionsFromForm(const NativeString& folder, int depthIndex,
                              const std::string& modelSizeText);

// "Temporary dataset: 1024 MiB  |  Random tests: 8 s each  |  Maximum writes: 1.96 GiB"
std::string datasetSummaryText(const RunOptions& options);

// Root, label, filesystem, type and free space of the volume behind the chosen folder.
NativeString targetLineText(const VolumeInfo& volume);

// The model size text after an arrow press, stepping in tenths from the last valid size.
std::string modelSizeTextAfterArrow(double modelGB, std::int64_t delta);

// "E:\  LABEL  [removable]" or "C:\  LABEL  [fixed / external]".
NativeString driveEntryText(const NativeString& root, const NativeString& label, bool removable);

// The last entry whose root equals root without regard to ASCII case, or -1.
int matchingDriveIndex(const std::vector<NativeString>& driveRoots, const NativeString& root);

}  // namespace orvane
