// Case as Windows names are compared here: service, computer and option names, ASCII letters only.
#pragma once

#include <string>

namespace kestrin {

std::string ToUpperAscii(std::string text);
std::string ToLowerAscii(std::string text);
bool SameIgnoringCase(const std::string& a, const std::string& b);

}  // namespace kestrin
