// The program's designed colours, and the system's instead when high contrast is on, so the text
// stays readable in every high-contrast theme. Colours are 0x00BBGGRR, as Windows keeps them.
#pragma once

#include <cstdint>

namespace kestrin {

using Colour = std::uint32_t;

struct LabelColours {
    Colour text;
    Colour background;
};

struct SeparatorColours {
    Colour upper;  // Line1 index 1, one pixel, over...
    Colour lower;  // ...Line1 index 0, two pixels
};

// LblStatus: blue on white, or the system's window text on its window colour.
LabelColours StatusLabelColours(bool highContrast, Colour windowText, Colour window);

// The About window's etched line: grey over white, or the system's 3-D shadow over its highlight.
SeparatorColours AboutSeparatorColours(bool highContrast, Colour shadow, Colour highlight);

}  // namespace kestrin
