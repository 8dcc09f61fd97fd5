// Dispatches a queued request to its service procedure.
#include "service_control/service_queue.h"

#include "service_control/service_control.h"

namespace kestrin {

ServiceAnswer RunServiceRequest(ScmPort& scm, const ServiceRequest& request) {
    ServiceAnswer answer{request, {}, 0};
    switch (request.command) {
    case ServiceCommand::Status:
        answer.stateText = ServiceStatus(scm, request.computerName, request.serviceName, &answer.error);
        break;
    case ServiceCommand::Start:
        answer.error = ServiceStart(scm, request.computerName, request.serviceName);
        break;
    case ServiceCommand::Stop:
        answer.error = ServiceStop(scm, request.computerName, request.serviceName);
        break;
    }
    return answer;
}

bool SameWaitingCommand(const ServiceRequest& last, const ServiceRequest& next) {
    // The restart check's start and the user's are told apart when refused: never merged.
    return next.command != ServiceCommand::Status && last.command == next.command &&
           last.automatic == next.automatic && last.computerName == next.computerName &&
           last.serviceName == next.serviceName;
}

}  // namespace kestrin
