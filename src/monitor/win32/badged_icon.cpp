// Reads the icon image of the right size, draws the badge over its pixels in the core, and makes a
// 32-bit icon with alpha of the result, so nothing is stretched at any scale.
#include "monitor/win32/badged_icon.h"

#include <cstdint>
#include <vector>

#include "win32/system_function.h"

namespace kestrin {
namespace {

struct BitmapTraits {
    using Handle = HBITMAP;
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
using BitmapHandle = UniqueHandle<BitmapTraits>;

BITMAPINFO TopDown32(int size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;  // top row first, as the badge is drawn
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The icon's pixels as 0xAARRGGBB; icons without alpha (the 16-colour ones) take it from their mask.
bool ReadPixels(HICON icon, int size, std::vector<std::uint32_t>& pixels) {
    ICONINFO parts{};
    if (!::GetIconInfo(icon, &parts)) return false;
    const BitmapHandle colour(parts.hbmColor), mask(parts.hbmMask);
    HDC screen = ::GetDC(nullptr);
    BITMAPINFO info = TopDown32(size);
    pixels.assign(static_cast<std::size_t>(size * size), 0);
    bool read = colour && ::GetDIBits(screen, colour.Get(), 0, static_cast<UINT>(size), pixels.data(), &info,
                                      DIB_RGB_COLORS) == size;
    bool hasAlpha = false;
    for (const std::uint32_t p : pixels) hasAlpha = hasAlpha || (p >> 24) != 0;
    if (read && !hasAlpha) {
        std::vector<std::uint32_t> transparent(pixels.size(), 0);
        info = TopDown32(size);
        read = ::GetDIBits(screen, mask.Get(), 0, static_cast<UINT>(size), transparent.data(), &info,
                           DIB_RGB_COLORS) == size;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            if ((transparent[i] & 0xFFFFFF) == 0) pixels[i] |= 0xFF000000;
        }
    }
    ::ReleaseDC(nullptr, screen);
    return read;
}

}  // namespace

IconHandle MakeBadgedIcon(HINSTANCE instance, int iconId, int size, TrayBadge badge) {
    IconHandle plain(LoadIconImage(instance, iconId, size));
    std::vector<std::uint32_t> pixels;
    if (badge == TrayBadge::Plain || !plain || !ReadPixels(plain.Get(), size, pixels)) return plain;
    DrawTrayBadge(badge, size, pixels.data());

    BITMAPINFO info = TopDown32(size);
    void* bits = nullptr;
    const BitmapHandle colour(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const std::vector<std::uint8_t> zeros(static_cast<std::size_t>((size + 15) / 16 * 2 * size), 0);
    const BitmapHandle mask(::CreateBitmap(size, size, 1, 1, zeros.data()));  // all 0: the alpha decides
    if (!colour || !mask || !bits) return plain;
    std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
    ICONINFO parts{};
    parts.fIcon = TRUE;
    parts.hbmColor = colour.Get();
    parts.hbmMask = mask.Get();
    IconHandle badged(::CreateIconIndirect(&parts));  // copies the bitmaps
    return badged ? std::move(badged) : std::move(plain);
}

}  // namespace kestrin
