// The three service procedures: each opens the manager and one service, does one thing, closes both.
#pragma once

#include <cstdint>
#include <string>

#include "service_control/scm_port.h"

namespace kestrin {

// The state text shown for a state code; empty for codes outside 1..7.
std::string StateText(std::uint32_t state);

// The watched service's state text, or empty when the manager, the service or the query fails.
std::string ServiceStatus(ScmPort& scm, const std::string& computerName, const std::string& serviceName);

// Asks the service to start; failures are silent and the next status poll shows the outcome.
void ServiceStart(ScmPort& scm, const std::string& computerName, const std::string& serviceName);

// Asks the service to stop; failures are silent and the next status poll shows the outcome.
void ServiceStop(ScmPort& scm, const std::string& computerName, const std::string& serviceName);

}  // namespace kestrin
