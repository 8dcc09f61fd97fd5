// The worst state first, the services not running named, each service told apart from a namesake.
#include "monitor/several_look.h"

#include <algorithm>

#include "text/case.h"
#include "text/utf.h"

namespace kestrin {
namespace {

// Worst first: what needs the administrator most decides the badge of several.
int Severity(const WatchRow& row) {
    if (row.gaveUp) return 0;
    switch (BadgeForState(row.stateText)) {
    case TrayBadge::Stopped: return 0;
    case TrayBadge::Unknown: return 1;
    case TrayBadge::Pending: return 2;
    case TrayBadge::Paused: return 3;
    default: return 4;
    }
}

}  // namespace

std::string DisplayName(const std::vector<ServiceTarget>& targets, std::size_t index) {
    const ServiceTarget& target = targets[index];
    // One name watched on two computers: each says which.
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (i != index && SameIgnoringCase(targets[i].serviceName, target.serviceName)) {
            const std::string computer = BareComputerName(target.computerName);
            return target.serviceName + " on " + (computer.empty() ? "this computer" : computer);
        }
    }
    return target.serviceName;
}

TrayBadge WorstBadge(const std::vector<WatchRow>& rows) {
    if (rows.empty() || std::any_of(rows.begin(), rows.end(), [](const WatchRow& r) { return !r.answered; })) {
        return TrayBadge::Plain;
    }
    const auto worst = std::min_element(rows.begin(), rows.end(),
                                        [](const WatchRow& a, const WatchRow& b) { return Severity(a) < Severity(b); });
    return worst->gaveUp ? TrayBadge::Stopped : BadgeForState(worst->stateText);
}

std::string SeveralTrayTip(const std::vector<std::string>& names, const std::vector<WatchRow>& rows) {
    const auto running = std::count_if(rows.begin(), rows.end(), [](const WatchRow& r) { return r.stateText == "Running"; });
    std::string tip = std::to_string(running) + " of " + std::to_string(rows.size()) + " running";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const WatchRow& row = rows[i];
        if (row.stateText == "Running") continue;
        const std::string state = !row.answered        ? "not read yet"
                                  : row.gaveUp          ? "stopped, gave up"
                                  : row.stateText.empty() ? "cannot be read"
                                                        : ToLowerAscii(row.stateText);
        tip += "; " + names[i] + " " + state;
    }
    return CutToUtf16Units(tip, kSeveralTrayTipUnits);
}

}  // namespace kestrin
