// Where each request goes, and the answers of all workers gathered for the window.
#include "monitor/win32/worker_service_queues.h"

#include <algorithm>
#include <cctype>

#include "settings/settings.h"

namespace kestrin {

void WorkerServiceQueues::LazyWorker::Enqueue(ServiceRequest request) {
    if (!worker_) {
        worker_ = std::make_unique<WorkerServiceQueue>(owner_.makeScmPort_(), owner_.window_, owner_.arrivedMessage_);
    }
    worker_->Enqueue(std::move(request));
}

WorkerServiceQueues::WorkerServiceQueues(MakeScmPortFn makeScmPort, HWND window, UINT arrivedMessage, bool several)
    : makeScmPort_(std::move(makeScmPort)), window_(window), arrivedMessage_(arrivedMessage), several_(several) {}

WorkerServiceQueues::LazyWorker& WorkerServiceQueues::Slot(std::unique_ptr<LazyWorker>& slot) {
    if (!slot) slot = std::make_unique<LazyWorker>(*this);
    return *slot;
}

ServiceQueue& WorkerServiceQueues::Statuses(const std::string& computerName) {
    if (!several_) return Slot(shared_);
    // \\SERVER1 and server1 are one computer: one worker.
    std::string computer = BareComputerName(computerName);
    std::transform(computer.begin(), computer.end(), computer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return Slot(statuses_[computer]);
}

ServiceQueue& WorkerServiceQueues::Commands(std::size_t watcher) {
    if (!several_) return Slot(shared_);
    if (commands_.size() <= watcher) commands_.resize(watcher + 1);
    return Slot(commands_[watcher]);
}

template <class Each>
void WorkerServiceQueues::ForEachWorker(Each each) {
    const auto visit = [&each](const std::unique_ptr<LazyWorker>& slot) {
        if (slot && slot->Worker()) each(*slot->Worker());
    };
    visit(shared_);
    for (const auto& entry : statuses_) visit(entry.second);
    for (const auto& slot : commands_) visit(slot);
}

void WorkerServiceQueues::Detach() {
    ForEachWorker([](WorkerServiceQueue& worker) { worker.Detach(); });
}

std::vector<ServiceAnswer> WorkerServiceQueues::TakeAnswers() {
    std::vector<ServiceAnswer> answers;
    ForEachWorker([&answers](WorkerServiceQueue& worker) {
        for (ServiceAnswer& answer : worker.TakeAnswers()) answers.push_back(std::move(answer));
    });
    return answers;
}

}  // namespace kestrin
