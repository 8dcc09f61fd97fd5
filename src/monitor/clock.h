// Milliseconds from any fixed start, for the rules that wait: the stale state and the notification pace.
#pragma once

#include <cstdint>

namespace kestrin {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t NowMs() = 0;
};

}  // namespace kestrin
