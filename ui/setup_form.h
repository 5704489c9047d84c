#pragma once
// The setup panel's rules, apart from its controls: depth presets, the model size text, the
// dataset summary and target lines, the arrow step and the drive list entries.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_records.h"
#include "reports/model_size_text.h"

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
