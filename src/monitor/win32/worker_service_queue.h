// Runs every service-manager call on one worker thread, so a slow computer never freezes the window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "service_control/scm_port.h"
#include "service_control/service_queue.h"

namespace kestrin {

class WorkerServiceQueue : public ServiceQueue {
public:
    // Each answer that arrives is announced by posting `arrivedMessage` to `window`, except a status
    // the same as the last one announced: the window collects that one at its next poll tick.
    WorkerServiceQueue(std::unique_ptr<ScmPort> scm, HWND window, UINT arrivedMessage);
    // Never waits for a call in progress: the worker finishes it alone and then ends.
    ~WorkerServiceQueue() override;

    void Enqueue(ServiceRequest request) override;
    void Detach();  // the window is going: answers from now on are dropped, never posted

    // The answers that have arrived since the last call, oldest first; window thread only.
    std::vector<ServiceAnswer> TakeAnswers();

private:
    struct Shared;
    static unsigned __stdcall Run(void* parameter);

    std::shared_ptr<Shared> shared_;
};

}  // namespace kestrin
