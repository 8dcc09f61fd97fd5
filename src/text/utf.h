// The one conversion from UTF-16 (the registry's, the version resource's, the W functions') to the
// UTF-8 the program holds its texts in.
#pragma once

#include <cstddef>
#include <string>

namespace kestrin {

// `units` UTF-16 code units; a surrogate without its other half becomes U+FFFD.
std::string Utf16ToUtf8(const char16_t* units, std::size_t count);

// The same, from little-endian bytes (2 a unit) as files and the registry hold them.
std::string Utf16LeToUtf8(const unsigned char* bytes, std::size_t units);

// How many of the first `count` units can be kept within `limit` without splitting a surrogate pair.
std::size_t WholeUtf16Units(const char16_t* units, std::size_t count, std::size_t limit);

// How many UTF-16 units a UTF-8 text takes at the Windows boundary (a character beyond U+FFFF takes two).
std::size_t Utf16Length(const std::string& utf8);

// The longest start of a UTF-8 text that fits in `limit` UTF-16 units, in whole characters.
std::string CutToUtf16Units(const std::string& utf8, std::size_t limit);

}  // namespace kestrin
