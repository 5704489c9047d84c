#include "reports/report_methods.h"

namespace orvane {

const ReportMethods& runningReportMethods() { return runningMeasurementMethods(); }

}  // namespace orvane
