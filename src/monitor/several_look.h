// How a copy watching several services shows them on its one icon and in its notifications.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "monitor/service_watcher.h"
#include "monitor/tray_badge.h"
#include "settings/settings.h"

namespace kestrin {

inline constexpr std::size_t kSeveralTrayTipUnits = 127;  // the tooltip field of a modern icon record

// How notifications and the tooltip name a service: by its name, and its computer too where the same
// name is watched on two ("Spooler on SERVER1").
std::string DisplayName(const std::vector<ServiceTarget>& targets, std::size_t index);

// The icon of a copy watching several services: the worst state among them.
TrayBadge WorstBadge(const std::vector<WatchRow>& rows);
// Its tooltip: "3 of 4 running; Spooler stopped; W32Time cannot be read", cut to 127 UTF-16 units.
std::string SeveralTrayTip(const std::vector<std::string>& names, const std::vector<WatchRow>& rows);

}  // namespace kestrin
