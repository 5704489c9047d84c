#include "engine/full_check.h"
#include "engine/guarded_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "engine/model_size_range.h"
#include "engine/monotonic_clock.h"
#include "engine/number_text.h"
#include "engine/pipelined_worker.h"
#include "engine/run_option_rules.h"
#include "engine/scratch_folder.h"
#include "engine/sector_classification.h"
#include "engine/utc_timestamp.h"
#include "platform/random_bytes.h"
#include "platform/text_encoding.h"
#include "storage/aligned_buffer.h"
#include "storage/sequential_write_preparation.h"
#include "storage/target_inspection.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMinimumMarginBytes = 256 * kMiB;
constexpr const char* kUnknownFailureMessage = "Unexpected failure inside the check.";
constexpr const char* kNoRoomMessage =
    "Not enough free space for a full check: the volume must keep a margin free.";
constexpr const char* kLimitMessage = "The fill limit must be a whole number of MiB from 1.";
constexpr const char* kFileSizeMessage = "Fill files must be whole MiB, at most 1 GiB.";

double decimalGB(std::uint64_t bytes) {
    return static_cast<double>(bytes) / 1e9;
}

// One decimal below 100 GB, whole GB above, as people read drive sizes.
std::string gbText(std::uint64_t bytes) {
    const double gb = decimalGB(bytes);
    return fixedDecimalText(gb, gb < 100.0 ? 1 : 0) + " GB";
}

std::string durationText(double seconds) {
    if (seconds < 120.0)
        return fixedDecimalText(seconds, 0) + " s";
    if (seconds < 7200.0)
        return fixedDecimalText(seconds / 60.0, 0) + " min";
    return fixedDecimalText(seconds / 3600.0, 1) + " h";
}

// Collects per-MiB request times into the curve's slices.
class SliceRecorder {
  public:
    SliceRecorder(std::vector<CurveSlice>& slices, std::uint64_t sliceBytes)
        : slices_(slices), sliceBytes_(sliceBytes) {}

    void add(std::uint64_t position, std::uint64_t bytes, double seconds) {
        if (open_.bytes == 0)
            open_.position = position;
        open_.bytes += bytes;
        open_.seconds += seconds;
        totalBytes_ += bytes;
        totalSeconds_ += seconds;
        if (open_.bytes >= sliceBytes_)
            close();
    }

    void close() {
        if (open_.bytes > 0)
            slices_.push_back(open_);
        open_ = CurveSlice{};
    }

    // The last whole slice's rate, or the running one before it exists.
    double currentRate() const {
        return slices_.empty() ? CurveSlice{0, totalBytes_, totalSeconds_}.mebibytesPerSecond()
                               : slices_.back().mebibytesPerSecond();
    }

    double overallRate() const {
        return CurveSlice{0, totalBytes_, totalSeconds_}.mebibytesPerSecond();
    }

  private:
    std::vector<CurveSlice>& slices_;
    std::uint64_t sliceBytes_;
    CurveSlice open_;
    std::uint64_t totalBytes_ = 0;
    double totalSeconds_ = 0.0;
};

struct FullCheckRun {
    FullCheckResult& result;
    const std::atomic<bool>& cancelRequested;
    const ProgressCallback& progress;
    const DiskFileFactory& openFile;
    std::vector<fs::path>& createdFiles;
    std::uint64_t seed = 0;
    AlignedBuffer pattern;
    AlignedBuffer readBuffer;
    // Read into while readBuffer's MiB is compared.
    AlignedBuffer spareReadBuffer;

    void throwIfCancelled() const {
        if (cancelRequested.load(std::memory_order_relaxed))
            throw Cancelled();
    }

    void report(const char* pass, std::int32_t base, std::uint64_t done, std::uint64_t total,
                double rate) const {
        if (!progress)
            return;
        const double left = transferSeconds(static_cast<double>(total - done), rate);
        std::string message = std::string(pass) + " " + gbText(done) + " of " + gbText(total) +
                              ", " + fixedDecimalText(rate, 1) + " MiB/s";
        if (rate > 0.0)
            message += ", about " + durationText(left) + " left";
        progress(Progress{
            base + static_cast<std::int32_t>(45 * done / std::max<std::uint64_t>(total, 1)),
            message});
    }

    fs::path fillFilePath(std::uint64_t index) const {
        return result.scratchFolder / fillFileName(index);
    }
};

constexpr bool isProgressMebibyte(std::uint64_t position) {
    return position % (8 * kMiB) == 0;
}

void fill(FullCheckRun& run) {
    FullCheckResult& result = run.result;
    const std::uint64_t fileBytes = result.options.fileBytes;
    SliceRecorder curve(result.writeCurve, result.options.curve.sliceBytes);
    std::uint8_t* const payload = run.pattern.data();

    try {
        for (std::uint64_t start = 0; start < result.plannedBytes; start += fileBytes) {
            const std::uint64_t size = std::min(fileBytes, result.plannedBytes - start);
            const fs::path path = run.fillFilePath(start / fileBytes);
            run.throwIfCancelled();
            std::unique_ptr<DiskFile> file = run.openFile(path, true);
            run.createdFiles.push_back(path);
            prepareSequentialWrite(*file, size);
            for (std::uint64_t offset = 0; offset < size; offset += kMiB) {
                run.throwIfCancelled();
                const std::uint64_t position = start + offset;
                const Instant begin = MonotonicClock::now();
                stampSectors(payload, run.seed, position, kMiB);
                file->writeAt(offset, payload, kMiB);
                curve.add(position, kMiB, secondsSince(begin));
                result.filledBytes = position + kMiB;
                if (isProgressMebibyte(position))
                    run.report("Writing", 0, position, result.plannedBytes, curve.currentRate());
            }
            file->flush();
        }
    } catch (const Cancelled&) {
        curve.close();
        result.write = summarizeWriteCurve(result.writeCurve, result.options.curve,
                                           result.options.modelGB * 1e9);
        throw;
    } catch (const std::exception& failure) {
        if (result.filledBytes == 0)
            throw;
        // A drive that refuses writes still gets what it took read back.
        result.error =
            "Writing stopped after " + gbText(result.filledBytes) + ": " + failure.what();
    }
    curve.close();
    result.write =
        summarizeWriteCurve(result.writeCurve, result.options.curve, result.options.modelGB * 1e9);
}

void noteBad(FullCheckResult& result, std::uint64_t position) {
    if (!result.firstBadPosition || position < *result.firstBadPosition)
        result.firstBadPosition = position;
}

void classifyMebibyte(FullCheckRun& run, std::uint64_t position, const std::uint8_t* actual) {
    FullCheckResult& result = run.result;
    const std::uint8_t* const expected = run.pattern.data();
    // The expected MiB is the one pattern block with this MiB's stamps: one compare when intact.
    stampSectors(run.pattern.data(), run.seed, position, kMiB);
    if (std::memcmp(expected, actual, kMiB) == 0) {
        result.tally.intact += kMiB;
        return;
    }
    for (std::uint32_t offset = 0; offset < kMiB; offset += kSectorBytes) {
        const SectorState state = classifySector(actual + offset, expected + offset, run.seed,
                                                 position + offset, result.filledBytes);
        switch (state) {
            case SectorState::kIntact:
                result.tally.intact += kSectorBytes;
                continue;
            case SectorState::kWrapped:
                result.tally.wrapped += kSectorBytes;
                break;
            case SectorState::kForeign:
                result.tally.foreign += kSectorBytes;
                break;
            case SectorState::kChanged:
                result.tally.changed += kSectorBytes;
                break;
        }
        noteBad(result, position + offset);
    }
}

void readBack(FullCheckRun& run) {
    FullCheckResult& result = run.result;
    const std::uint64_t fileBytes = result.options.fileBytes;
    SliceRecorder curve(result.readCurve, result.options.curve.sliceBytes);
    // The compare of one MiB runs while the next is read, so it never holds up the drive. Only
    // the verifier touches the tally while a job is out: wait() before counting here.
    PipelinedWorker verifier;
    std::uint8_t* buffers[2] = {run.readBuffer.data(), run.spareReadBuffer.data()};
    std::size_t next = 0;

    try {
        for (std::uint64_t start = 0; start < result.filledBytes; start += fileBytes) {
            const std::uint64_t size = std::min(fileBytes, result.filledBytes - start);
            run.throwIfCancelled();
            std::unique_ptr<DiskFile> file;
            try {
                file = run.openFile(run.fillFilePath(start / fileBytes), false);
            } catch (const std::exception&) {
                // A file the drive lost entirely is lost data, not the end of the check.
                verifier.wait();
                result.tally.unreadable += size;
                noteBad(result, start);
                continue;
            }
            for (std::uint64_t offset = 0; offset < size; offset += kMiB) {
                run.throwIfCancelled();
                const std::uint64_t position = start + offset;
                const Instant begin = MonotonicClock::now();
                std::uint8_t* const buffer = buffers[next];
                try {
                    file->readAt(offset, buffer, kMiB);
                } catch (const std::exception&) {
                    // Counted and skipped; the rest of the fill is still worth reading.
                    verifier.wait();
                    result.tally.unreadable += kMiB;
                    noteBad(result, position);
                    continue;
                }
                // Waits for the previous MiB's compare: the curve still sees a slow compare.
                verifier.submit(
                    [&run, position, buffer] { classifyMebibyte(run, position, buffer); });
                next ^= 1;
                curve.add(position, kMiB, secondsSince(begin));
                if (isProgressMebibyte(position))
                    run.report("Reading back", 50, position, result.filledBytes,
                               curve.currentRate());
            }
        }
    } catch (const Cancelled&) {
        verifier.wait();
        curve.close();
        result.readRateMiBps = curve.overallRate();
        throw;
    }
    verifier.wait();
    curve.close();
    result.readRateMiBps = curve.overallRate();
}

void timeModelFile(FullCheckRun& run, const ReadOnlyFileOpener& openModelFile) {
    FullCheckResult& result = run.result;
    ModelFileRead read;
    read.path = result.options.modelFile;
    std::unique_ptr<ReadOnlyFile> file = openModelFile(read.path);
    const std::uint64_t size = file->size();
    const Instant begin = MonotonicClock::now();
    for (std::uint64_t offset = 0; offset < size; offset += kMiB) {
        run.throwIfCancelled();
        const std::uint32_t got = file->readUpTo(offset, run.readBuffer.data(), kMiB);
        read.bytes += got;
        if (got < kMiB)
            break;
        if (isProgressMebibyte(offset) && run.progress)
            run.progress(Progress{96, "Reading the model file"});
    }
    read.seconds = secondsSince(begin);
    if (read.bytes != size)
        throw std::runtime_error("The model file ended early; it may be changing.");
    read.estimatedSeconds = transferSeconds(static_cast<double>(read.bytes), result.readRateMiBps);
    result.modelFile = read;
}

void validateOptions(const FullCheckOptions& options) {
    if (!isRunModelSize(options.modelGB))
        throw std::runtime_error(kModelSizeMessage);
    if (options.limitBytes && (*options.limitBytes == 0 || *options.limitBytes % kMiB != 0))
        throw std::runtime_error(kLimitMessage);
    if (options.fileBytes == 0 || options.fileBytes % kMiB != 0 ||
        options.fileBytes > kMaximumFillFileBytes)
        throw std::runtime_error(kFileSizeMessage);
    if (!options.modelFile.empty() && !fs::is_regular_file(options.modelFile)) {
        throw std::runtime_error("The model file is not an existing file: " +
                                 toUtf8(options.modelFile.native()));
    }
}

void runGuardedSection(FullCheckRun& run, const ReadOnlyFileOpener& openModelFile) {
    FullCheckResult& result = run.result;
    validateOptions(result.options);
    run.throwIfCancelled();

    result.options.folder = fs::canonical(requireExistingFolder(result.options.folder));
    if (!result.options.modelFile.empty())
        result.options.modelFile = fs::canonical(result.options.modelFile);
    result.volume = inspectTarget(result.options.folder);
    result.marginBytes = fillMarginBytes(result.volume.totalBytes);
    result.plannedBytes = plannedFillBytes(result.volume.freeBytesBefore, result.volume.totalBytes,
                                           result.options.limitBytes);
    result.scratchFolder = createScratchFolder(result.options.folder);

    run.pattern = AlignedBuffer(kMiB);
    run.readBuffer = AlignedBuffer(kMiB);
    run.spareReadBuffer = AlignedBuffer(kMiB);
    fillRandom(run.pattern.data(), run.pattern.size());
    fillRandom(&run.seed, sizeof run.seed);

    fill(run);
    readBack(run);
    if (!result.options.modelFile.empty())
        timeModelFile(run, openModelFile);
    if (!result.error.empty())
        throw std::runtime_error(result.error);
}

std::string currentUtcTimestamp() {
    const auto now = std::chrono::system_clock::now();
    return formatUtcTimestamp(
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
}

}  // namespace

double ModelFileRead::mebibytesPerSecond() const {
    return CurveSlice{0, bytes, seconds}.mebibytesPerSecond();
}

bool FullCheckResult::everyByteIntact() const {
    return filledBytes > 0 && tally.intact == filledBytes;
}

std::string fillFileName(std::uint64_t index) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%05llu", static_cast<unsigned long long>(index));
    return kFillFileNamePrefix + std::string(digits) + kFillFileNameSuffix;
}

std::uint64_t fillMarginBytes(std::uint64_t totalBytes) {
    return std::max(kMinimumMarginBytes, totalBytes / 100);
}

std::uint64_t plannedFillBytes(std::uint64_t freeBytes, std::uint64_t totalBytes,
                               const std::optional<std::uint64_t>& limitBytes) {
    const std::uint64_t margin = fillMarginBytes(totalBytes);
    const std::uint64_t room = freeBytes > margin ? (freeBytes - margin) / kMiB * kMiB : 0;
    if (limitBytes) {
        if (*limitBytes > room) {
            throw std::runtime_error("Not enough free space for " + gbText(*limitBytes) + ": " +
                                     gbText(room) + " can be filled while keeping " +
                                     gbText(margin) + " free.");
        }
        return *limitBytes;
    }
    if (room == 0)
        throw std::runtime_error(kNoRoomMessage);
    return room;
}

std::string fullCheckVerdict(const FullCheckResult& result) {
    const SectorTally& tally = result.tally;
    const std::uint64_t checked = tally.total();
    const std::uint64_t bad = checked - tally.intact;
    const bool lostTail = result.firstBadPosition && tally.intact == *result.firstBadPosition;
    const std::string reports = gbText(result.volume.totalBytes);
    const std::string holds = gbText(result.usableBytes());

    if (result.status == RunStatus::kFailed && result.filledBytes == 0)
        return "Nothing was written: " + result.error;
    if (result.status == RunStatus::kCancelled || result.status == RunStatus::kFailed) {
        std::string text = result.status == RunStatus::kCancelled ? "Check cancelled after "
                                                                  : "Check did not complete after ";
        text += "writing " + gbText(result.filledBytes) + " and reading back " + gbText(checked);
        if (bad == 0)
            return text + "; everything read back so far was intact.";
        return text + "; " + gbText(bad) + " of it did not come back intact (first at " +
               gbText(*result.firstBadPosition) + ").";
    }
    if (bad == 0)
        return "All " + gbText(result.filledBytes) + " written and read back intact.";
    if (lostTail) {
        return "Data written past " + gbText(*result.firstBadPosition) +
               " is lost: this drive reports " + reports + " but holds about " + holds + ".";
    }
    return gbText(bad) + " of the " + gbText(result.filledBytes) +
           " written did not come back intact, the first at " + gbText(*result.firstBadPosition) +
           ": this drive reports " + reports + " but holds about " + holds + " intact.";
}

FullCheckResult runFullCheck(const FullCheckOptions& options,
                             const std::atomic<bool>& cancelRequested,
                             const ProgressCallback& progress, const DiskFileFactory& factory,
                             const ReadOnlyFileOpener& openModelFile) {
    static const DiskFileFactory platformFactory = openPlatformFile;
    static const ReadOnlyFileOpener platformOpener = openReadOnlyPlatformFile;

    FullCheckResult result;
    result.options = options;
    result.timestampUtc = currentUtcTimestamp();
    const Instant start = MonotonicClock::now();
    std::vector<fs::path> createdFiles;
    FullCheckRun run{result,
                     cancelRequested,
                     progress,
                     factory ? factory : platformFactory,
                     createdFiles,
                     0,
                     {},
                     {},
                     {}};

    result.status = statusOfGuardedSection(
        [&] { runGuardedSection(run, openModelFile ? openModelFile : platformOpener); },
        result.error, kUnknownFailureMessage);
    run.pattern = AlignedBuffer();
    run.readBuffer = AlignedBuffer();
    run.spareReadBuffer = AlignedBuffer();

    result.cleaned = removeCreatedFiles(createdFiles, result.scratchFolder);
    result.elapsedSeconds = secondsSince(start);
    if (!result.cleaned) {
        result.error += std::string(result.error.empty() ? "" : " ") +
                        "Cleanup incomplete. Remove only this check's folder after checking it: " +
                        toUtf8(result.scratchFolder.native());
        if (result.status == RunStatus::kCompleted)
            result.status = RunStatus::kCleanupWarning;
    }
    result.verdict = fullCheckVerdict(result);

    if (progress) {
        try {
            progress(Progress{100, result.verdict});
        } catch (...) {
            // The result is final; a failing last notice must not turn into a thrown check.
        }
    }
    return result;
}

}  // namespace orvane
