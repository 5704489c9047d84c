#pragma once
// How each platform measures, in the words its reports use, and which platform this build is.

#include "engine/measurement_methods.h"

namespace orvane {

using ReportMethods = MeasurementMethods;

inline constexpr const ReportMethods& kWindowsReportMethods = kWindowsMeasurementMethods;
inline constexpr const ReportMethods& kLinuxReportMethods = kLinuxMeasurementMethods;

// The methods of the program that is running: reports it writes say these, and the
// methodology rule compares saved reports against them.
const ReportMethods& runningReportMethods();

}  // namespace orvane
