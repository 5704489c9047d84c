#include "reports/model_size_text.h"

#include <cmath>
#include <stdexcept>

#include "engine/model_size_range.h"

namespace orvane {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits with an optional fraction, or a bare fraction: "6", "6.6", ".5". Written out rather
// than as std::regex, whose recursive matcher overflows the stack on a long pasted text.
bool isCompleteDecimal(const std::string& text) {
    std::size_t at = 0;
    const auto digitsFrom = [&](std::size_t from) {
        std::size_t end = from;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        return end;
    };
    const std::size_t whole = digitsFrom(0);
    at = whole;
    if (at == text.size())
        return whole > 0;
    if (text[at] != '.')
        return false;
    const std::size_t fraction = digitsFrom(at + 1);
    return fraction > at + 1 && fraction == text.size();
}

}  // namespace

double parseModelSize(const std::string& text) {
    if (!isCompleteDecimal(text))
        throw std::runtime_error(kIncompleteModelSizeMessage);
    double value = 0.0;
    std::size_t consumed = 0;
    try {
        value = std::stod(text, &consumed);
    } catch (const std::logic_error&) {  // invalid_argument or out_of_range
        throw std::runtime_error(kUnreadableModelSizeMessage);
    }
    if (consumed != text.size() || !isEnteredModelSize(value)) {
        throw std::runtime_error(kModelSizeRangeMessage);
    }
    return value;
}

}  // namespace orvane
