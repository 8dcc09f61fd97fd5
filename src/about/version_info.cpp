// Walks the nested blocks of VS_VERSIONINFO: each is wLength, wValueLength, wType, a NUL-ended UTF-16
// key, padding to 32 bits, its value, padding, then its children, all inside wLength bytes.
#include "about/version_info.h"

#include "text/utf.h"

namespace kestrin {
namespace {

constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedFileInfoSize = 52;

struct Block {
    std::size_t begin = 0, end = 0;        // the whole block
    std::size_t value = 0, valueBytes = 0;  // its value
    std::size_t children = 0;               // the first child
    std::u16string key;
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(data_[at] | data_[at + 1] << 8); }
    std::uint32_t U32(std::size_t at) const { return U16(at) | static_cast<std::uint32_t>(U16(at + 2)) << 16; }

    // The block at `at`, which must lie within `limit`; nothing when it does not fit.
    std::optional<Block> BlockAt(std::size_t at, std::size_t limit) const {
        if (limit > size_ || at + 6 > limit) return std::nullopt;
        Block block;
        block.begin = at;
        block.end = at + U16(at);
        if (U16(at) < 6 || block.end > limit) return std::nullopt;
        const bool text = U16(at + 4) == 1;
        std::size_t p = at + 6;
        for (; p + 2 <= block.end && U16(p) != 0; p += 2) block.key.push_back(static_cast<char16_t>(U16(p)));
        if (p + 2 > block.end) return std::nullopt;
        block.value = Align(p + 2);
        block.valueBytes = text ? U16(at + 2) * std::size_t{2} : U16(at + 2);  // text counts characters
        if (block.value + block.valueBytes > block.end) {
            if (!text || block.value > block.end) return std::nullopt;
            block.valueBytes = block.end - block.value;  // some writers count the padding; keep what is there
        }
        block.children = Align(block.value + block.valueBytes);
        return block;
    }

    std::optional<Block> Child(const Block& parent, const std::u16string& key) const {
        for (std::size_t at = parent.children; at < parent.end;) {
            const std::optional<Block> child = BlockAt(at, parent.end);
            if (!child) return std::nullopt;
            if (child->key == key) return child;
            at = Align(child->end);
        }
        return std::nullopt;
    }

    // The text at `at`, up to its NUL or the end of its `bytes`.
    std::string Utf8(std::size_t at, std::size_t bytes) const {
        std::size_t units = 0;
        while (2 * units + 2 <= bytes && U16(at + 2 * units) != 0) ++units;
        return Utf16LeToUtf8(data_ + at, units);
    }

private:
    static std::size_t Align(std::size_t at) { return (at + 3) & ~std::size_t{3}; }

    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace

std::optional<ModuleVersion> ParseVersionInfo(const std::uint8_t* data, std::size_t size) {
    if (!data) return std::nullopt;
    const Reader reader(data, size);
    const std::optional<Block> root = reader.BlockAt(0, size);
    if (!root || root->key != u"VS_VERSION_INFO" || root->valueBytes < kFixedFileInfoSize ||
        reader.U32(root->value) != kFixedFileInfoSignature) {
        return std::nullopt;
    }
    ModuleVersion version;
    const std::uint32_t fileVersionMs = reader.U32(root->value + 8);
    const std::uint32_t fileVersionLs = reader.U32(root->value + 12);
    version.numbers.major = fileVersionMs >> 16;
    version.numbers.minor = fileVersionMs & 0xFFFF;
    version.numbers.revision = fileVersionLs & 0xFFFF;

    if (const auto strings = reader.Child(*root, u"StringFileInfo")) {
        if (const auto table = reader.Child(*strings, u"040904B0")) {
            if (const auto description = reader.Child(*table, u"FileDescription")) {
                version.description = reader.Utf8(description->value, description->valueBytes);
            }
        }
    }
    return version;
}

}  // namespace kestrin
