#include "format/format_target_queries.h"

namespace orvane {

namespace {

class SystemFormatTargetQueries final : public FormatTargetQueries {
  public:
    FormatTarget review(const std::filesystem::path& folder) override {
        return reviewFormatTarget(folder);
    }
    void recheck(const FormatTarget& saved) override { recheckFormatTarget(saved); }
};

}  // namespace

FormatTargetQueries& systemFormatTargetQueries() {
    static SystemFormatTargetQueries queries;
    return queries;
}

}  // namespace orvane
