#pragma once
// How each platform measures, in the words its metrics and reports use.

namespace orvane {

struct MeasurementMethods {
    const char* platform;
    const char* cachePolicy;
    const char* writePolicy;
};

inline constexpr MeasurementMethods kWindowsMeasurementMethods{
    "Windows",
    "OS cache bypassed for large-file I/O; device cache remains. Small reads are warm buffered.",
    "Large-file Windows write-through; small-file FlushFileBuffers."};

inline constexpr MeasurementMethods kLinuxMeasurementMethods{
    "Linux",
    "OS cache bypassed with O_DIRECT for large-file I/O; device cache remains. Small reads are "
    "warm buffered.",
    "Large-file O_DIRECT with O_DSYNC write-through; small-file fsync."};

// The methods of this build.
constexpr const MeasurementMethods& runningMeasurementMethods() {
#ifdef _WIN32
    return kWindowsMeasurementMethods;
#else
    return kLinuxMeasurementMethods;
#endif
}

}  // namespace orvane
