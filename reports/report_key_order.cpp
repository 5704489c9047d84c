#include "reports/report_key_order.h"

#include <initializer_list>

namespace orvane {

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

using KeyList = std::initializer_list<const char*>;

constexpr KeyList kTopLevelKeys = {"schemaVersion",
                                   "application",
                                   "platform",
                                   "timestampUtc",
                                   "displayName",
                                   "cachePolicy",
                                   "writePolicy",
                                   "status",
                                   "folder",
                                   "scratchFolder",
                                   "profile",
                                   "testBytes",
                                   "randomSecondsPerPhase",
                                   "smallFiles",
                                   "modelGB",
                                   "volume",
                                   "verified",
                                   "cleaned",
                                   "bytesWritten",
                                   "elapsedSeconds",
                                   "error",
                                   "assessment",
                                   "storageGuidance",
                                   "limitations",
                                   "metrics",
                                   "estimatedModelReadSeconds"};
constexpr KeyList kVolumeKeys = {"root",
                                 "label",
                                 "filesystem",
                                 "type",
                                 "freeBytesBefore",
                                 "totalBytes",
                                 "logicalSectorBytes",
                                 "allocationUnitBytes"};
constexpr KeyList kGuidanceKeys = {"scope", "modelGB", "rating", "reason", "policy"};
constexpr KeyList kMetricKeys = {"id",      "name",  "value", "unit",  "operations", "bytes",
                                 "seconds", "p50ms", "p95ms", "p99ms", "maxms",      "note"};

bool listed(KeyList keys, const std::string& key) {
    for (const char* known : keys) {
        if (key == known)
            return true;
    }
    return false;
}

// Values whose own keys have no fixed order keep the document's order.
ordered_json plain(const json& value) {
    return ordered_json(value);
}

template <typename Child>
ordered_json ordered(const json& object, KeyList keys, Child child) {
    ordered_json out = ordered_json::object();
    for (const char* key : keys) {
        const auto found = object.find(key);
        if (found != object.end())
            out[key] = child(key, *found);
    }
    for (const auto& [key, value] : object.items()) {
        if (!listed(keys, key))
            out[key] = plain(value);
    }
    return out;
}

ordered_json orderedFlat(const json& object, KeyList keys) {
    return ordered(object, keys, [](const char*, const json& value) { return plain(value); });
}

ordered_json orderedTopLevelValue(const std::string& key, const json& value) {
    if (key == "volume" && value.is_object())
        return orderedFlat(value, kVolumeKeys);
    if (key == "storageGuidance" && value.is_object())
        return orderedFlat(value, kGuidanceKeys);
    if (key == "metrics" && value.is_array()) {
        ordered_json metrics = ordered_json::array();
        for (const json& metric : value) {
            metrics.push_back(metric.is_object() ? orderedFlat(metric, kMetricKeys)
                                                 : plain(metric));
        }
        return metrics;
    }
    return plain(value);
}

}  // namespace

ordered_json inRunIdentityOrder(const json& document) {
    if (!document.is_object())
        return plain(document);
    return ordered(document, kTopLevelKeys, [](const char* key, const json& value) {
        return orderedTopLevelValue(key, value);
    });
}

}  // namespace orvane
