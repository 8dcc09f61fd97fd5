// How soon, how often, and when to stop trying, as a copy reads it at start-up.
#pragma once

#include <optional>

#include "monitor/command_line.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace kestrin {

// Without a delay the countdown's check starts a stopped service every `minutes`; with one, a stop is
// answered `delaySeconds` later, and each start that fails doubles the wait. Without retries Kestrin
// never gives up.
struct RestartPolicy {
    int minutes = kDefaultRestartMinutes;
    std::optional<int> delaySeconds;
    std::optional<int> retries;
};

// The restart policy of a copy: the command line first, then its own key, then the machine's defaults.
// The first of them to set a delay or minutes sets the timing; retries are read on their own.
RestartPolicy ReadRestartPolicy(const CommandLine& commandLine, SettingsStore& store, SettingsStore& machineDefaults);

}  // namespace kestrin
