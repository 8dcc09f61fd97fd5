// UTF-16 to UTF-8, pairing surrogates and replacing lone ones.
#include "text/utf.h"

#include <algorithm>
#include <cstdint>

namespace kestrin {
namespace {

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

bool IsHigh(std::uint32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLow(std::uint32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

template <typename UnitAt>
std::string Convert(std::size_t count, UnitAt unitAt) {
    std::string text;
    text.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t unit = unitAt(i);
        if (IsHigh(unit) && i + 1 < count && IsLow(unitAt(i + 1))) {
            AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00));
            ++i;
        } else {
            AppendUtf8(text, IsHigh(unit) || IsLow(unit) ? 0xFFFD : unit);
        }
    }
    return text;
}

}  // namespace

std::string Utf16ToUtf8(const char16_t* units, std::size_t count) {
    return Convert(count, [units](std::size_t i) { return static_cast<std::uint32_t>(units[i]); });
}

std::string Utf16LeToUtf8(const unsigned char* bytes, std::size_t units) {
    return Convert(units, [bytes](std::size_t i) {
        return static_cast<std::uint32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    });
}

namespace {

// The byte length of the UTF-8 character that starts with `lead`, and how many UTF-16 units it takes.
std::size_t Utf8Bytes(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1; }
std::size_t Utf16Units(unsigned char lead) { return lead >= 0xF0 ? 2 : 1; }

}  // namespace

std::size_t Utf16Length(const std::string& utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size(); i += Utf8Bytes(static_cast<unsigned char>(utf8[i]))) {
        units += Utf16Units(static_cast<unsigned char>(utf8[i]));
    }
    return units;
}

std::string CutToUtf16Units(const std::string& utf8, std::size_t limit) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (units + Utf16Units(lead) > limit) break;
        units += Utf16Units(lead);
        i += Utf8Bytes(lead);
    }
    return utf8.substr(0, std::min(i, utf8.size()));
}

std::size_t WholeUtf16Units(const char16_t* units, std::size_t count, std::size_t limit) {
    if (count <= limit) return count;
    // Cutting between the halves of a pair would leave a lone high surrogate at the end.
    return limit > 0 && IsHigh(units[limit - 1]) && IsLow(units[limit]) ? limit - 1 : limit;
}

}  // namespace kestrin
