#pragma once
// Numbers as the program shows them: fixed notation, "." as the decimal point, no grouping.

#include <string>

namespace orvane {

std::string fixedDecimalText(double value, int decimals);

}  // namespace orvane
