// Dispatches a queued request to its service procedure.
#include "service_control/service_queue.h"

#include "service_control/service_control.h"

namespace kestrin {

std::optional<std::string> RunServiceRequest(ScmPort& scm, const ServiceRequest& request) {
    switch (request.command) {
    case ServiceCommand::Status:
        return ServiceStatus(scm, request.computerName, request.serviceName);
    case ServiceCommand::Start:
        ServiceStart(scm, request.computerName, request.serviceName);
        break;
    case ServiceCommand::Stop:
        ServiceStop(scm, request.computerName, request.serviceName);
        break;
    }
    return std::nullopt;
}

}  // namespace kestrin
