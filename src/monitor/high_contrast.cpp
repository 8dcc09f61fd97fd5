// The colour decisions behind LblStatus and the About window's separator.
#include "monitor/high_contrast.h"

namespace kestrin {
namespace {

constexpr Colour Rgb(unsigned r, unsigned g, unsigned b) { return r | g << 8 | b << 16; }

}  // namespace

LabelColours StatusLabelColours(bool highContrast, Colour windowText, Colour window) {
    if (highContrast) return {windowText, window};
    return {Rgb(0, 0, 255), Rgb(255, 255, 255)};
}

SeparatorColours AboutSeparatorColours(bool highContrast, Colour shadow, Colour highlight) {
    if (highContrast) return {shadow, highlight};
    return {Rgb(128, 128, 128), Rgb(255, 255, 255)};
}

}  // namespace kestrin
