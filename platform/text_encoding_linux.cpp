#include "platform/text_encoding.h"

namespace orvane {

std::string toUtf8(const NativeString& text) {
    return sanitizeUtf8(text);
}

NativeString fromUtf8(const std::string& utf8) {
    return utf8;
}

}  // namespace orvane
