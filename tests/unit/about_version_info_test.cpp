// The version resource read without version.dll: numbers, description, and damaged data.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "about/version_info.h"

namespace kestrin {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Pad(Bytes& b) {
    while (b.size() % 4) b.push_back(0);
}

// One block as the resource compiler lays it out; `textChars` > 0 marks a text value.
Bytes MakeBlock(const std::u16string& key, const Bytes& value, unsigned textChars, const std::vector<Bytes>& children) {
    Bytes b(6, 0);
    for (char16_t c : key) Put16(b, c);
    Put16(b, 0);
    Pad(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Pad(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    b[0] = static_cast<std::uint8_t>(b.size() & 0xFF);
    b[1] = static_cast<std::uint8_t>(b.size() >> 8);
    b[2] = static_cast<std::uint8_t>(textChars ? textChars : value.size());
    b[4] = textChars ? 1 : 0;
    return b;
}

Bytes Text(const std::u16string& text) {
    Bytes b;
    for (char16_t c : text) Put16(b, c);
    Put16(b, 0);
    return b;
}

Bytes FixedInfo(std::uint32_t ms, std::uint32_t ls, std::uint32_t signature = 0xFEEF04BD) {
    Bytes b(52, 0);
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<std::uint8_t>(signature >> 8 * i);
        b[8 + i] = static_cast<std::uint8_t>(ms >> 8 * i);
        b[12 + i] = static_cast<std::uint8_t>(ls >> 8 * i);
    }
    return b;
}

Bytes VersionResource(std::uint32_t signature = 0xFEEF04BD) {
    const std::u16string description = u"Watches a service \u00e9\U0001F600";
    const Bytes strings = MakeBlock(
        u"StringFileInfo", {}, 0,
        {MakeBlock(u"040904B0", {}, 0,
                   {MakeBlock(u"CompanyName", Text(u"Kestrin"), 8, {}),
                    MakeBlock(u"FileDescription", Text(description), static_cast<unsigned>(description.size() + 1),
                              {})})});
    return MakeBlock(u"VS_VERSION_INFO", FixedInfo(0x00010001, 0x00000001, signature), 0, {strings});
}

TEST(VersionInfo, ReadsMajorMinorRevisionAndTheDescription) {
    const Bytes bytes = VersionResource();
    const auto version = ParseVersionInfo(bytes.data(), bytes.size());
    ASSERT_TRUE(version);
    EXPECT_EQ(version->numbers.major, 1u);
    EXPECT_EQ(version->numbers.minor, 1u);
    EXPECT_EQ(version->numbers.revision, 1u);
    EXPECT_EQ(version->description, "Watches a service \xC3\xA9\xF0\x9F\x98\x80");
}

TEST(VersionInfo, DamagedDataReadsAsNothingOrLessNeverBeyondItsEnd) {
    const Bytes wrongSignature = VersionResource(0x12345678);
    EXPECT_FALSE(ParseVersionInfo(wrongSignature.data(), wrongSignature.size()));
    EXPECT_FALSE(ParseVersionInfo(nullptr, 0));
    const Bytes bytes = VersionResource();
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        const auto version = ParseVersionInfo(cut.data(), cut.size());  // the sanitizers watch the reads
        if (version) {
            EXPECT_EQ(version->numbers.major, 1u);
        }
    }
}

}  // namespace
}  // namespace kestrin
