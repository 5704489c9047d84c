#pragma once
// How each platform measures, in the words its reports use, and which platform this build is.

#include <string>

namespace orvane {

struct ReportMethods {
    const char* platform;
    const char* cachePolicy;
    const char* writePolicy;
};

inline constexpr ReportMethods kWindowsReportMethods{
    "Windows",
    "OS cache bypassed for large-file I/O; device cache remains. Small reads are warm buffered.",
    "Large-file Windows write-through; small-file FlushFileBuffers."};

inline constexpr ReportMethods kLinuxReportMethods{
    "Linux",
    "OS cache bypassed with O_DIRECT for large-file I/O; device cache remains. Small reads are "
    "warm buffered.",
    "Large-file O_DIRECT with O_DSYNC write-through; small-file fsync."};

// The methods of the program that is running: reports it writes say these, and the
// methodology rule compares saved reports against them.
const ReportMethods& runningReportMethods();

}  // namespace orvane
