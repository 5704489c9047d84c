#pragma once
// How a run's guarded section ended: its status, and its failure text in error; only a failure
// to store that text can escape.

#include <exception>
#include <string>

#include "engine/run_records.h"

namespace orvane {

// unknownFailure is the text for a throw that is not a std::exception.
template <typename Section>
RunStatus statusOfGuardedSection(Section&& section, std::string& error,
                                 const char* unknownFailure) {
    try {
        section();
        return RunStatus::kCompleted;
    } catch (const Cancelled&) {
        return RunStatus::kCancelled;
    } catch (const std::exception& failure) {
        error = failure.what();
    } catch (...) {
        // A caller's factory or callback may throw anything; the run still must not throw.
        error = unknownFailure;
    }
    return RunStatus::kFailed;
}

}  // namespace orvane
