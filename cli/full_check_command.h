#pragma once
// The command-line full check: one check, a JSON report with a CSV and an SVG beside it.

#include <atomic>

#include "cli/command_line_options.h"
#include "storage/disk_file.h"

namespace orvane {

// request.fullCheck must be set. Returns 0 when the check completed and every byte came back
// intact, 2 when the report was written otherwise; throws when no report was written, and then
// none of the three files exists.
int runFullCheckCommand(const CommandLineRequest& request, const std::atomic<bool>& cancelRequested,
                        const ProgressCallback& progress, const DiskFileFactory& factory = {});

}  // namespace orvane
