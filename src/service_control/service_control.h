// The three service procedures: each opens the manager and one service, does one thing, closes both.
#pragma once

#include <cstdint>
#include <string>

#include "service_control/scm_port.h"

namespace kestrin {

// The state text shown for a state code; empty for codes outside 1..7.
std::string StateText(std::uint32_t state);

// The watched service's state text, or empty when the manager, the service or the query fails;
// `error`, when given, receives the system's error code of that failure (0 otherwise).
std::string ServiceStatus(ScmPort& scm, const std::string& computerName, const std::string& serviceName,
                          std::uint32_t* error = nullptr);

// Asks the service to start, once; answers the system's error code of a refusal, 0 when accepted.
// The next status poll shows the outcome.
std::uint32_t ServiceStart(ScmPort& scm, const std::string& computerName, const std::string& serviceName);

// Asks the service to stop, once; answers the error code as ServiceStart does.
std::uint32_t ServiceStop(ScmPort& scm, const std::string& computerName, const std::string& serviceName);

}  // namespace kestrin
