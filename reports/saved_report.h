#pragma once
// One imported report: the element of the comparison list.

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

namespace orvane {

struct SavedReport {
    // The whole parsed document, shared read-only between copies of the record.
    std::shared_ptr<const nlohmann::json> document;
    std::string displayName;
    std::string scratchFolder;
    std::string timestampUtc;
    std::string platform;
    std::filesystem::path filePath;  // set by whoever owns the record, never by the import
    double totalBytes = 0.0;
    double freeBytesBefore = 0.0;
    double allocationUnitBytes = 0.0;
    double sequentialRead = 0.0;
    double sequentialWrite = 0.0;
    double randomRead = 0.0;
    double randomWrite = 0.0;
    double smallFileWrite = 0.0;
    double randomWriteP99 = 0.0;
    double modelReadSeconds = std::numeric_limits<double>::infinity();
    std::int32_t suitabilityLevel = 0;
    std::int32_t rank = 0;
    std::string rating;
    std::string reason;

    // Copies of the document's texts that rating and ranking read, taken once at import so the
    // rules stay plain functions of this record.
    std::string profile;
    std::string status;
    std::string filesystem;
    std::string cachePolicy;
    std::string writePolicy;
    bool verified = false;
    bool cleaned = false;
};

}  // namespace orvane
