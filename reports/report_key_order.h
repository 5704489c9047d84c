#pragma once
// Last stage of the report writer: the document's keys in the report's fixed order.

#include <nlohmann/json.hpp>

namespace orvane {

// Known keys in their fixed order, then any others in the document's own (sorted) order;
// volume, storageGuidance and each metric object likewise.
nlohmann::ordered_json inRunIdentityOrder(const nlohmann::json& document);

}  // namespace orvane
