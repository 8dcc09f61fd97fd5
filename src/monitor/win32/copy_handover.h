// One copy per set of services in a session: a second copy started for the same set (by "Start with
// Windows" and by a shortcut, say) brings the first one's window forward and ends.
#pragma once

#include <windows.h>

#include <cstdint>

#include "win32/unique_handle.h"

namespace kestrin {

inline constexpr wchar_t kMonitorWindowClass[] = L"KestrinFrmSrvMan";
// Registered by name: wParam and lParam carry the low and high halves of the set's hash.
inline constexpr wchar_t kBringForwardMessage[] = L"Kestrin.BringForward";
inline constexpr LRESULT kBroughtForward = 0x4B53;

bool IsBroughtForward(std::uint64_t setHash, WPARAM wp, LPARAM lp);

// The set claimed for this copy for as long as it runs.
class CopyClaim {
public:
    explicit CopyClaim(std::uint64_t setHash);
    bool Held() const { return held_; }  // false: another copy of this session watches the same set

private:
    KernelHandle mutex_;
    bool held_ = false;
};

// Asks the copy of the session watching the set to come forward, and lets it take the foreground;
// false when no window answered within `waitMs` (it may still be starting).
bool BringRunningCopyForward(std::uint64_t setHash, DWORD waitMs);

}  // namespace kestrin
