// Service-manager work as the window asks for it: queued, run in order, answered later.
#pragma once

#include <cstddef>
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
    std::size_t watcher = 0;  // which of the copy's watchers asked: its answer goes back there
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

// Where the watchers' requests go. A start can hold the service manager for 30 s and a computer that
// cannot be reached holds up every call to it: so the status polls of each computer have a queue of
// their own, and so have the starts and stops of each service.
class ServiceQueues {
public:
    virtual ~ServiceQueues() = default;
    virtual ServiceQueue& Statuses(const std::string& computerName) = 0;
    virtual ServiceQueue& Commands(std::size_t watcher) = 0;
};

}  // namespace kestrin
