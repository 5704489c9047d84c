#pragma once
// The window's way to the format review, so that window tests can answer for the disks (Wine's
// disk queries fail, and no test may depend on a real removable drive).

#include <filesystem>

#include "format/format_target.h"

namespace orvane {

class FormatTargetQueries {
  public:
    virtual ~FormatTargetQueries() = default;
    // reviewFormatTarget: the reviewed identity of the volume holding folder, or a refusal.
    virtual FormatTarget review(const std::filesystem::path& folder) = 0;
    // recheckFormatTarget: refuses when the saved target's volume is no longer the same.
    virtual void recheck(const FormatTarget& saved) = 0;
};

// The real review of this machine's volumes and disks.
FormatTargetQueries& systemFormatTargetQueries();

}  // namespace orvane
