// Runs service-manager calls on a worker thread, so a slow computer never freezes the window; the
// answers of all a copy's workers wait in one box, in the order they came.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "service_control/scm_port.h"
#include "service_control/service_queue.h"

namespace kestrin {

// Where the workers' answers wait for the window. One box for all the workers of a copy, so that a
// status read after a start is never handled before the start's answer.
class AnswerBox {
public:
    // Each answer that arrives is announced by posting `arrivedMessage` to `window`, except a status
    // the same as the last one announced for its watcher: the window collects that one at its next
    // poll tick, which saves it a wake-up every second.
    AnswerBox(HWND window, UINT arrivedMessage);
    AnswerBox(const AnswerBox&) = delete;
    AnswerBox& operator=(const AnswerBox&) = delete;

    void Put(ServiceAnswer answer);   // any thread
    void Detach();                    // the window is going: answers from now on are dropped, never posted
    std::vector<ServiceAnswer> Take();  // the answers that came since the last call, oldest first

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    HWND window_;
    UINT arrivedMessage_;
    std::vector<ServiceAnswer> answers_;
    std::map<std::size_t, ServiceAnswer> lastPosted_;  // the status last announced, per watcher
};

class WorkerServiceQueue : public ServiceQueue {
public:
    WorkerServiceQueue(std::unique_ptr<ScmPort> scm, std::shared_ptr<AnswerBox> answers);
    // Never waits for a call in progress: the worker finishes it alone and then ends.
    ~WorkerServiceQueue() override;

    void Enqueue(ServiceRequest request) override;

private:
    struct Shared;
    static unsigned __stdcall Run(void* parameter);

    std::shared_ptr<Shared> shared_;
};

}  // namespace kestrin
