// Service-manager work as the window asks for it: queued, run in order, answered later.
#pragma once

#include <optional>
#include <string>

#include "service_control/scm_port.h"

namespace kestrin {

enum class ServiceCommand { Status, Start, Stop };

struct ServiceRequest {
    ServiceCommand command = ServiceCommand::Status;
    std::string computerName;
    std::string serviceName;
};

// Runs one request through the service procedures; only a status request has an answer.
std::optional<std::string> RunServiceRequest(ScmPort& scm, const ServiceRequest& request);

class ServiceQueue {
public:
    virtual ~ServiceQueue() = default;
    // Runs `request` after every request queued before it. A status request's text comes back
    // on the window's thread through the monitor's StatusArrived, possibly before this returns.
    virtual void Enqueue(ServiceRequest request) = 0;
};

}  // namespace kestrin
