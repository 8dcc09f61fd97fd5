// Each badge is drawn from its shapes at 4 x 4 samples a pixel, so it stays crisp at 16 to 40 pixels.
#include "monitor/tray_badge.h"

#include <algorithm>
#include <cmath>

namespace kestrin {
namespace {

struct Segment {
    double ax, ay, bx, by;
};

// Shapes in badge units: the disc is centred on (0, 0) with radius 1.
constexpr Segment kCheck[] = {{-0.5, 0.0, -0.15, 0.38}, {-0.15, 0.38, 0.52, -0.38}};
constexpr Segment kCross[] = {{-0.42, -0.42, 0.42, 0.42}, {-0.42, 0.42, 0.42, -0.42}};
constexpr Segment kBars[] = {{-0.28, -0.45, -0.28, 0.45}, {0.28, -0.45, 0.28, 0.45}};
constexpr Segment kQuestion[] = {{-0.32, -0.3, -0.18, -0.52}, {-0.18, -0.52, 0.12, -0.56}, {0.12, -0.56, 0.34, -0.36},
                                 {0.34, -0.36, 0.3, -0.14},   {0.3, -0.14, 0.0, 0.04},     {0.0, 0.04, 0.0, 0.22}};
constexpr double kDots[][2] = {{-0.48, 0.0}, {0.0, 0.0}, {0.48, 0.0}};

struct Look {
    std::uint32_t disc;  // 0xRRGGBB
    const Segment* segments;
    std::size_t count;
    double width;        // of the strokes, in badge units
    bool dots;
    bool questionDot;
};

Look LookOf(TrayBadge badge) {
    switch (badge) {
    case TrayBadge::Running: return {0x107C10, kCheck, 2, 0.30, false, false};
    case TrayBadge::Stopped: return {0xC42B1C, kCross, 2, 0.30, false, false};
    case TrayBadge::Pending: return {0xC27C0E, nullptr, 0, 0.0, true, false};
    case TrayBadge::Paused: return {0xC27C0E, kBars, 2, 0.30, false, false};
    case TrayBadge::Unknown: return {0x6E6E6E, kQuestion, 6, 0.24, false, true};
    case TrayBadge::Plain: break;
    }
    return {0, nullptr, 0, 0.0, false, false};
}

double DistanceToSegment(double x, double y, const Segment& s) {
    const double dx = s.bx - s.ax, dy = s.by - s.ay;
    const double length = dx * dx + dy * dy;
    const double t = length > 0 ? std::clamp(((x - s.ax) * dx + (y - s.ay) * dy) / length, 0.0, 1.0) : 0.0;
    return std::hypot(x - s.ax - t * dx, y - s.ay - t * dy);
}

bool InSymbol(const Look& look, double x, double y) {
    for (std::size_t i = 0; i < look.count; ++i) {
        if (DistanceToSegment(x, y, look.segments[i]) <= look.width / 2) return true;
    }
    if (look.dots) {
        for (const auto& dot : kDots) {
            if (std::hypot(x - dot[0], y - dot[1]) <= 0.17) return true;
        }
    }
    return look.questionDot && std::hypot(x, y - 0.46) <= 0.14;
}

std::uint32_t Blend(std::uint32_t under, std::uint32_t colour, double coverage) {
    if (coverage <= 0) return under;
    const double underAlpha = (under >> 24) / 255.0;
    const double alpha = coverage + underAlpha * (1 - coverage);
    std::uint32_t out = static_cast<std::uint32_t>(std::lround(alpha * 255)) << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double top = (colour >> shift & 0xFF) * coverage;
        const double bottom = (under >> shift & 0xFF) * underAlpha * (1 - coverage);
        out |= static_cast<std::uint32_t>(std::lround((top + bottom) / alpha)) << shift;
    }
    return out;
}

}  // namespace

TrayBadge BadgeForState(const std::string& stateText) {
    if (stateText == "Running") return TrayBadge::Running;
    if (stateText == "Stopped") return TrayBadge::Stopped;
    if (stateText == "Paused") return TrayBadge::Paused;
    if (stateText.empty()) return TrayBadge::Unknown;
    return TrayBadge::Pending;  // the four pending states
}

void DrawTrayBadge(TrayBadge badge, int size, std::uint32_t* pixels) {
    const Look look = LookOf(badge);
    if (badge == TrayBadge::Plain || size <= 0) return;
    // A disc of 5/8 of the icon in its lower right corner, with a white rim that parts it from the icon.
    const double radius = size * 5.0 / 16;
    const double centre = size - radius;
    const double rim = std::max(1.0, size / 16.0);
    constexpr int kSamples = 4;
    for (int py = static_cast<int>(size - 2 * radius - rim); py < size; ++py) {
        for (int px = static_cast<int>(size - 2 * radius - rim); px < size; ++px) {
            if (px < 0 || py < 0) continue;
            int inRim = 0, inDisc = 0, inSymbol = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double x = px + (sx + 0.5) / kSamples - centre;
                    const double y = py + (sy + 0.5) / kSamples - centre;
                    const double d = std::hypot(x, y);
                    if (d > radius + rim) continue;
                    ++inRim;
                    if (d > radius) continue;
                    ++inDisc;
                    if (InSymbol(look, x / radius, y / radius)) ++inSymbol;
                }
            }
            std::uint32_t& pixel = pixels[py * size + px];
            constexpr double kAll = kSamples * kSamples;
            pixel = Blend(pixel, 0xFFFFFF, inRim / kAll);
            pixel = Blend(pixel, look.disc, inDisc / kAll);
            pixel = Blend(pixel, 0xFFFFFF, inSymbol / kAll);
        }
    }
}

}  // namespace kestrin
