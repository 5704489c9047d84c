#include "reports/suggested_report_name.h"

#include "platform/text_encoding.h"
#include "reports/report_file_name.h"

namespace orvane {

NativeString suggestedReportFileName(const RunResult& result, bool csv) {
    NativeString name = reportFileBaseName(result.volume.label);
    name += fromUtf8("-");
    name += reportFileBaseName(fromUtf8(result.timestampUtc));
    name += fromUtf8(csv ? ".csv" : ".json");
    return name;
}

}  // namespace orvane
