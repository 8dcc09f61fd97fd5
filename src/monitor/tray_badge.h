// The state drawn on the notification icon: a small disc with a shape as well as a colour.
#pragma once

#include <cstdint>
#include <string>

namespace kestrin {

enum class TrayBadge {
    Plain,    // before the first answer: the program's icon alone
    Running,  // green disc, a check
    Stopped,  // red disc, a cross
    Pending,  // amber disc, three dots
    Paused,   // amber disc, two bars
    Unknown,  // grey disc, a question mark: the state cannot be read
};

TrayBadge BadgeForState(const std::string& stateText);

// Draws `badge` in the lower right corner of a `size` x `size` image of 0xAARRGGBB pixels, top row
// first, with straight (not premultiplied) alpha, smoothing its edges. Plain draws nothing.
void DrawTrayBadge(TrayBadge badge, int size, std::uint32_t* pixels);

}  // namespace kestrin
