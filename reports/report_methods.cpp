#include "reports/report_methods.h"

namespace orvane {

const ReportMethods& runningReportMethods() {
#ifdef _WIN32
    return kWindowsReportMethods;
#else
    return kLinuxReportMethods;
#endif
}

}  // namespace orvane
