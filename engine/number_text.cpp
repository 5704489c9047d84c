#include "engine/number_text.h"

#include <locale>
#include <sstream>

namespace orvane {

std::string fixedDecimalText(double value, int decimals) {
    std::ostringstream text;
    text.imbue(std::locale::classic());  // never the user's decimal comma
    text.setf(std::ios::fixed, std::ios::floatfield);
    text.precision(decimals);
    text << value;
    return text.str();
}

}  // namespace orvane
