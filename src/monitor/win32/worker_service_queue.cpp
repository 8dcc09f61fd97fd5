// The worker: a request queue and an answer queue under one lock, and a thread that drains the first.
#include "monitor/win32/worker_service_queue.h"

#include <process.h>

#include <deque>
#include <map>
#include <optional>
#include <utility>

#include "win32/unique_handle.h"

namespace kestrin {

struct WorkerServiceQueue::Shared {
    std::unique_ptr<ScmPort> scm;
    HWND window;
    UINT arrivedMessage;
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
    std::deque<ServiceRequest> requests;
    std::vector<ServiceAnswer> answers;
    std::map<std::size_t, ServiceAnswer> lastPosted;  // the status last announced, per watcher
    bool stopping = false;
};

namespace {

class LockGuard {
public:
    explicit LockGuard(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
    ~LockGuard() { ::ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK& lock_;
};

}  // namespace

WorkerServiceQueue::WorkerServiceQueue(std::unique_ptr<ScmPort> scm, HWND window, UINT arrivedMessage)
    : shared_(std::make_shared<Shared>()) {
    shared_->scm = std::move(scm);
    shared_->window = window;
    shared_->arrivedMessage = arrivedMessage;
    // The thread holds its own reference, so the queue may go away while a call is still blocked.
    auto* threadShare = new std::shared_ptr<Shared>(shared_);
    // _beginthreadex, not CreateThread: the thread uses the C runtime, which sets itself up there.
    KernelHandle thread(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &WorkerServiceQueue::Run, threadShare,
                                                                  0, nullptr)));
    if (!thread) delete threadShare;
}

WorkerServiceQueue::~WorkerServiceQueue() {
    {
        LockGuard guard(shared_->lock);
        shared_->stopping = true;
        shared_->window = nullptr;
        shared_->requests.clear();
    }
    ::WakeConditionVariable(&shared_->wake);
}

void WorkerServiceQueue::Enqueue(ServiceRequest request) {
    {
        LockGuard guard(shared_->lock);
        if (!shared_->requests.empty() && SameWaitingCommand(shared_->requests.back(), request)) return;
        shared_->requests.push_back(std::move(request));
    }
    ::WakeConditionVariable(&shared_->wake);
}

void WorkerServiceQueue::Detach() {
    LockGuard guard(shared_->lock);
    shared_->window = nullptr;
}

std::vector<ServiceAnswer> WorkerServiceQueue::TakeAnswers() {
    LockGuard guard(shared_->lock);
    return std::exchange(shared_->answers, {});
}

unsigned __stdcall WorkerServiceQueue::Run(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Shared>> owned(static_cast<std::shared_ptr<Shared>*>(parameter));
    Shared& shared = **owned;
    for (;;) {
        ServiceRequest request;
        {
            LockGuard guard(shared.lock);
            while (shared.requests.empty() && !shared.stopping) {
                ::SleepConditionVariableSRW(&shared.wake, &shared.lock, INFINITE, 0);
            }
            if (shared.stopping) return 0;
            request = std::move(shared.requests.front());
            shared.requests.pop_front();
        }
        ServiceAnswer answer = RunServiceRequest(*shared.scm, request);
        {
            LockGuard guard(shared.lock);
            if (shared.stopping) return 0;
            if (!shared.window) continue;
            // A status the same as the last one announced changes nothing on screen: it waits for the
            // window's next poll tick to collect it, which saves the window a wake-up every second.
            const bool status = answer.request.command == ServiceCommand::Status;
            const auto last = shared.lastPosted.find(answer.request.watcher);
            const bool same = status && last != shared.lastPosted.end() &&
                              answer.stateText == last->second.stateText && answer.error == last->second.error;
            if (status && !same) shared.lastPosted[answer.request.watcher] = answer;
            shared.answers.push_back(std::move(answer));
            // Posted under the lock, so Detach cannot slip in between the check and the post.
            if (!same) ::PostMessageW(shared.window, shared.arrivedMessage, 0, 0);
        }
    }
}

}  // namespace kestrin
