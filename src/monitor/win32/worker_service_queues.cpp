// Where each request goes, and the answers of all workers gathered for the window.
#include "monitor/win32/worker_service_queues.h"

#include "settings/settings.h"
#include "text/case.h"

namespace kestrin {

void WorkerServiceQueues::LazyWorker::Enqueue(ServiceRequest request) {
    if (!worker_) {
        worker_ = std::make_unique<WorkerServiceQueue>(owner_.makeScmPort_(), owner_.answers_);
    }
    worker_->Enqueue(std::move(request));
}

WorkerServiceQueues::WorkerServiceQueues(MakeScmPortFn makeScmPort, HWND window, UINT arrivedMessage, bool several)
    : makeScmPort_(std::move(makeScmPort)),
      answers_(std::make_shared<AnswerBox>(window, arrivedMessage)),
      several_(several) {}

WorkerServiceQueues::LazyWorker& WorkerServiceQueues::Slot(std::unique_ptr<LazyWorker>& slot) {
    if (!slot) slot = std::make_unique<LazyWorker>(*this);
    return *slot;
}

ServiceQueue& WorkerServiceQueues::Statuses(const std::string& computerName) {
    if (!several_) return Slot(shared_);
    // \\SERVER1 and server1 are one computer: one worker.
    return Slot(statuses_[ToUpperAscii(BareComputerName(computerName))]);
}

ServiceQueue& WorkerServiceQueues::Commands(std::size_t watcher) {
    if (!several_) return Slot(shared_);
    if (commands_.size() <= watcher) commands_.resize(watcher + 1);
    return Slot(commands_[watcher]);
}

}  // namespace kestrin
