// The workers of a copy: one for every call of a copy watching one service, as ever; with several,
// one per computer for the status polls and one per service for its starts and stops.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "monitor/win32/worker_service_queue.h"
#include "service_control/scm_port.h"
#include "service_control/service_queue.h"

namespace kestrin {

class WorkerServiceQueues : public ServiceQueues {
public:
    using MakeScmPortFn = std::function<std::unique_ptr<ScmPort>()>;
    // Each worker gets a port of its own from `makeScmPort` and announces its answers to `window`.
    WorkerServiceQueues(MakeScmPortFn makeScmPort, HWND window, UINT arrivedMessage, bool several);

    ServiceQueue& Statuses(const std::string& computerName) override;
    ServiceQueue& Commands(std::size_t watcher) override;

    void Detach() { answers_->Detach(); }  // the window is going: no worker posts to it any more
    std::vector<ServiceAnswer> TakeAnswers() { return answers_->Take(); }  // from every worker, oldest first

private:
    // A worker started by its first request: a copy of sixteen services that nobody stops or starts
    // by hand runs one thread per computer it watches.
    class LazyWorker : public ServiceQueue {
    public:
        explicit LazyWorker(const WorkerServiceQueues& owner) : owner_(owner) {}
        void Enqueue(ServiceRequest request) override;

    private:
        const WorkerServiceQueues& owner_;
        std::unique_ptr<WorkerServiceQueue> worker_;
    };

    LazyWorker& Slot(std::unique_ptr<LazyWorker>& slot);

    MakeScmPortFn makeScmPort_;
    std::shared_ptr<AnswerBox> answers_;
    bool several_;
    std::unique_ptr<LazyWorker> shared_;  // a copy with one service: statuses and commands in one order
    std::map<std::string, std::unique_ptr<LazyWorker>> statuses_;  // by computer, upper-cased
    std::vector<std::unique_ptr<LazyWorker>> commands_;            // by watcher
};

}  // namespace kestrin
