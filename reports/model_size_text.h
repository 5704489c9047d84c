#pragma once
// The model size as a person types it, in the window and in the comparison tool.

#include <string>

namespace orvane {

inline constexpr const char* kIncompleteModelSizeMessage =
    "Enter a complete decimal model size, 0.1-1000.0 GB.";
inline constexpr const char* kUnreadableModelSizeMessage =
    "Enter a model size in GB, for example 6.6.";
inline constexpr const char* kModelSizeRangeMessage =
    "Model size must be 0.1-1000.0 GB. Use a decimal point.";

// Decimal GB from the text; throws with one of the three messages above.
double parseModelSize(const std::string& text);

}  // namespace orvane
