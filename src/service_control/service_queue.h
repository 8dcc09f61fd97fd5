// Service-manager work as the window asks for it: queued, run in order, answered later.
#pragma once

#include <cstdint>
#include <string>

#include "service_control/scm_port.h"

namespace kestrin {

enum class ServiceCommand { Status, Start, Stop };

struct ServiceRequest {
    ServiceCommand command = ServiceCommand::Status;
    std::string computerName;
    std::string serviceName;
    bool automatic = false;  // a start of the restart check, not of the user
};

// What came of a request: for a status its state text; for every command the system's error code
// of a failure (0 when none).
struct ServiceAnswer {
    ServiceRequest request;
    std::string stateText;
    std::uint32_t error = 0;
};

// Runs one request through the service procedures.
ServiceAnswer RunServiceRequest(ScmPort& scm, const ServiceRequest& request);

// Whether `next` may be dropped because `last`, still waiting, will do the same: ten presses of
// Start behind a call that hangs start the service once. Statuses are never merged here.
bool SameWaitingCommand(const ServiceRequest& last, const ServiceRequest& next);

class ServiceQueue {
public:
    virtual ~ServiceQueue() = default;
    // Runs `request` after every request queued before it. Its answer comes back on the window's
    // thread through the monitor's AnswerArrived, possibly before this returns.
    virtual void Enqueue(ServiceRequest request) = 0;
};

}  // namespace kestrin
