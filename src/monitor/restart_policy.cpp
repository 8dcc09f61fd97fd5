// The policy from the command line, the copy's own key and the machine's defaults, in that order.
#include "monitor/restart_policy.h"

namespace kestrin {

RestartPolicy ReadRestartPolicy(const CommandLine& commandLine, SettingsStore& store, SettingsStore& machineDefaults) {
    Settings own(store);
    Settings machine(machineDefaults);
    RestartPolicy policy;
    struct Source {
        std::optional<int> delay;
        std::optional<int> minutes;
    };
    // A source that says nothing of the timing leaves it to the next; one that sets both is read
    // as a delay (the command line cannot set both).
    const Source sources[] = {{commandLine.delay, commandLine.minutes},
                              {own.ReadRestartDelay(), own.ReadRestartMinutes()},
                              {machine.ReadRestartDelay(), machine.ReadRestartMinutes()}};
    for (const Source& source : sources) {
        if (source.delay) {
            policy.delaySeconds = source.delay;
            break;
        }
        if (source.minutes) {
            policy.minutes = *source.minutes;
            break;
        }
    }
    policy.retries = commandLine.retries;
    if (!policy.retries) policy.retries = own.ReadRestartRetries();
    if (!policy.retries) policy.retries = machine.ReadRestartRetries();
    return policy;
}

}  // namespace kestrin
