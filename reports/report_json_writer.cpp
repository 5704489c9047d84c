#include "reports/report_json_writer.h"

#include <nlohmann/json.hpp>

#include "engine/measurement_methods.h"
#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "reports/report_key_order.h"
#include "reports/report_raw_text.h"
#include "reports/suitability.h"

namespace orvane {

using nlohmann::json;

namespace {

constexpr const char* kGuidanceScope =
    "Heuristic storage guidance for a model that fits in RAM; not an inference benchmark";
constexpr const char* kInvalidModelSizeReason =
    "Invalid original model size; model-fit and model-read guidance are unavailable. Correct "
    "the model size and retest.";

struct Guidance {
    std::string displayName;
    json modelGB;
    std::string rating;
    std::string reason;
};

void enrich(json& document, const Guidance& guidance) {
    document["displayName"] = guidance.displayName;
    document["storageGuidance"] = json{{"scope", kGuidanceScope},
                                       {"modelGB", guidance.modelGB},
                                       {"rating", guidance.rating},
                                       {"reason", guidance.reason},
                                       {"policy", storageGuidancePolicyText()}};
    document["assessment"] = guidance.rating + ": " + guidance.reason;
}

}  // namespace

std::string writeReportJson(const RunResult& result, const std::string& displayNameHint) {
    const std::string raw = composeRawReportText(result);

    // Every text the writer returns must import again, so the import validates the raw text on
    // both paths; only the rating depends on the model size being valid.
    SavedReport imported = importReport(raw, displayNameHint);
    json document = *imported.document;

    Guidance guidance;
    if (isValidModelSize(result.options.modelGB)) {
        const double modelGB = document.at("modelGB").get<double>();
        evaluateSuitability(imported, modelGB, runningMeasurementMethods().platform);
        guidance = {imported.displayName, modelGB, imported.rating, imported.reason};
    } else {
        const std::string label = toUtf8(result.volume.label);
        guidance.displayName = !displayNameHint.empty() ? displayNameHint
                               : !label.empty()         ? label
                                                        : std::string("Unnamed volume");
        guidance.modelGB = document.at("modelGB");
        guidance.rating = result.status == RunStatus::kFailed ? "Not recommended" : "Caution";
        guidance.reason = kInvalidModelSizeReason;
        document["estimatedModelReadSeconds"] = nullptr;
    }
    enrich(document, guidance);

    return inRunIdentityOrder(document).dump(2, ' ', false, json::error_handler_t::strict) + "\n";
}

}  // namespace orvane
