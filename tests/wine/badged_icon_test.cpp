// The badged notification icons as the Win32 layer makes them: every state, at 100 %, 150 % and
// 200 % sizes, drawn on white. The picture is kept as screenshots/badges.bmp for the documentation.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/resource.h"
#include "monitor/win32/badged_icon.h"

namespace kestrin {
namespace {

constexpr TrayBadge kBadges[] = {TrayBadge::Plain,  TrayBadge::Running, TrayBadge::Stopped,
                                 TrayBadge::Pending, TrayBadge::Paused,  TrayBadge::Unknown};
constexpr int kSizes[] = {16, 24, 32};
constexpr int kCell = 40;

void SaveBmp(const std::string& path, int width, int height, const std::uint32_t* pixels) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    const DWORD bytes = static_cast<DWORD>(width * height * 4);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + bytes;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(reinterpret_cast<const char*>(pixels), bytes);
}

TEST(BadgedIcon, EveryStateIsDrawnCrispAtEverySizeWithItsDiscColour) {
    const int width = kCell * 6, height = kCell * 3;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP canvas = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(canvas);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + width * height, 0xFFFFFFu);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, canvas);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 6; ++column) {
            const int size = kSizes[row];
            const IconHandle icon = MakeBadgedIcon(::GetModuleHandleW(nullptr), IDI_KESTRIN, size, kBadges[column]);
            ASSERT_TRUE(icon) << size;
            ICONINFO parts{};
            ASSERT_TRUE(::GetIconInfo(icon.Get(), &parts));
            BITMAP bitmap{};
            ::GetObjectW(parts.hbmColor, sizeof(bitmap), &bitmap);
            EXPECT_EQ(bitmap.bmWidth, size) << "not stretched";
            ::DeleteObject(parts.hbmColor);
            ::DeleteObject(parts.hbmMask);
            ::DrawIconEx(dc, column * kCell + 4, row * kCell + 4, icon.Get(), size, size, 0, nullptr, DI_NORMAL);
        }
    }
    ::GdiFlush();
    // Right of the disc's centre, off its symbol: the disc's own colour, not blurred by stretching.
    for (int row = 0; row < 3; ++row) {
        const int size = kSizes[row];
        const double radius = size * 5.0 / 16;
        const int x = 4 + static_cast<int>(size - 0.3 * radius), y = row * kCell + 4 + static_cast<int>(size - radius);
        EXPECT_EQ(pixels[y * width + 1 * kCell + x] & 0xFFFFFF, 0x107C10u) << size;  // running
        EXPECT_EQ(pixels[y * width + 2 * kCell + x] & 0xFFFFFF, 0xC42B1Cu) << size;  // stopped
    }
    if (const char* build = std::getenv("KESTRIN_BUILD_DIR")) {
        SaveBmp(std::string(build) + "/screenshots/badges.bmp", width, height, pixels);
    }
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(canvas);
}

}  // namespace
}  // namespace kestrin
