// GetKeyValue: what each kind of stored value reads as, and that no key is left open.
#include <gtest/gtest.h>

#include <ostream>

#include "about/key_value.h"
#include "about_fake_registry.h"

namespace kestrin {
namespace {

using namespace std::string_literals;
using testing::FakeRegistryPort;
using testing::Utf16Bytes;

constexpr const char* kKey = "SOFTWARE\\Vendor\\Tool";
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;

struct ValueCase {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    bool found;
    std::string text;  // KeyVal afterwards; it holds "before" on entry
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::uint8_t> Repeated(std::size_t count, std::uint8_t byte) { return std::vector<std::uint8_t>(count, byte); }

std::vector<std::uint8_t> WithNulAtEnd(std::vector<std::uint8_t> bytes) {
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

class GetKeyValueReads : public ::testing::TestWithParam<ValueCase> {};

TEST_P(GetKeyValueReads, TheValueAsText) {
    const ValueCase& c = GetParam();
    FakeRegistryPort registry;
    registry.Set(kKey, "Value", c.type, c.bytes);

    std::string keyVal = "before";
    EXPECT_EQ(GetKeyValue(registry, RegistryRoot::LocalMachine, kKey, "Value", keyVal), c.found);
    EXPECT_EQ(keyVal, c.text);
    EXPECT_EQ(registry.KeysLeftOpen(), 0u);
    EXPECT_EQ(registry.Misuses(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GetKeyValueReads,
    ::testing::Values(
        ValueCase{"StringStoredWithItsNul", kRegSz, Utf16Bytes(u"C:\\Tools\\msinfo32.exe\0"s), true,
                  "C:\\Tools\\msinfo32.exe"},
        ValueCase{"StringStoredWithoutNul", kRegSz, Utf16Bytes(u"C:\\Tools"), true, "C:\\Tools"},
        ValueCase{"OnlyTheLastNulIsTrimmed", kRegSz, Utf16Bytes(u"ab\0\0"s), true, std::string("ab\0", 3)},
        ValueCase{"NonAsciiStringBecomesUtf8", kRegSz, Utf16Bytes(u"C:\\Outils\u00e9\U0001F600"), true,
                  "C:\\Outils\xC3\xA9\xF0\x9F\x98\x80"},
        ValueCase{"LoneSurrogateBecomesReplacementCharacter", kRegSz, Utf16Bytes(u"a\xD800" u"b"), true,
                  "a\xEF\xBF\xBD" "b"},
        ValueCase{"OddLastByteIsDropped", kRegSz, {'a', 0, 'b'}, true, "a"},
        ValueCase{"ExactlyTheBufferIsRead", kRegSz, Utf16Bytes(std::u16string(512, u'x')), true,
                  std::string(512, 'x')},
        ValueCase{"ExactlyTheBufferWithItsNul", kRegSz, WithNulAtEnd(Utf16Bytes(std::u16string(511, u'x'))), true,
                  std::string(511, 'x')},
        ValueCase{"OneByteMoreThanTheBufferIsNotRead", kRegSz, Repeated(1025, 'a'), false, ""},
        ValueCase{"EmptyStringIsFoundEmpty", kRegSz, {}, true, ""},
        ValueCase{"EmptyDataOfAnyTypeIsFoundEmpty", kRegBinary, {}, true, ""},
        ValueCase{"DwordIsItsDecimalValue", kRegDword, {0x1A, 0x00, 0x01, 0x00}, true, "65562"},
        ValueCase{"DwordIsUnsigned", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, true, "4294967295"},
        ValueCase{"OtherTypeLeavesKeyValAsItWas", kRegBinary, {1, 2, 3}, true, "before"},
        ValueCase{"ExpandableStringCountsAsOtherType", kRegExpandSz, Utf16Bytes(u"%SystemRoot%\0"s), true,
                  "before"},
        ValueCase{"OtherTypeTooLargeIsNotFound", kRegBinary, Repeated(2000, 1), false, ""}),
    [](const ::testing::TestParamInfo<ValueCase>& param) { return param.param.name; });

TEST(GetKeyValue, MissingValueIsNotFoundAndClosesTheKey) {
    FakeRegistryPort registry;
    registry.SetString(kKey, "Other", u"x");
    std::string keyVal = "before";
    EXPECT_FALSE(GetKeyValue(registry, RegistryRoot::LocalMachine, kKey, "Value", keyVal));
    EXPECT_EQ(keyVal, "");
    EXPECT_EQ(registry.KeysLeftOpen(), 0u);
    EXPECT_EQ(registry.Misuses(), 0);
}

TEST(GetKeyValue, MissingKeyIsNotFoundAndClosesNothing) {
    FakeRegistryPort registry;
    std::string keyVal = "before";
    EXPECT_FALSE(GetKeyValue(registry, RegistryRoot::LocalMachine, kKey, "Value", keyVal));
    EXPECT_EQ(keyVal, "");
    EXPECT_EQ(registry.Opened(), std::vector<std::string>{kKey});
    EXPECT_EQ(registry.Misuses(), 0);
}

}  // namespace
}  // namespace kestrin
