#pragma once
// Whole-string conversions between the platform's native text and UTF-8.

#include <string>

#include "platform/native_string.h"

namespace orvane {

std::string toUtf8(const NativeString& text);
NativeString fromUtf8(const std::string& utf8);

// Replaces every invalid UTF-8 sequence with U+FFFD, as Windows does for an unpaired surrogate,
// so a strange Linux file name never makes a report unwritable.
std::string sanitizeUtf8(const std::string& bytes);

}  // namespace orvane
