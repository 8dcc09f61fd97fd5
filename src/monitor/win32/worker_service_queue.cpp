// The worker: a request queue under its own lock and a thread that drains it into the answer box.
#include "monitor/win32/worker_service_queue.h"

#include <process.h>

#include <deque>
#include <utility>

#include "win32/unique_handle.h"

namespace kestrin {

struct WorkerServiceQueue::Shared {
    std::unique_ptr<ScmPort> scm;
    std::shared_ptr<AnswerBox> answers;
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
    std::deque<ServiceRequest> requests;
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

AnswerBox::AnswerBox(HWND window, UINT arrivedMessage) : window_(window), arrivedMessage_(arrivedMessage) {}

void AnswerBox::Put(ServiceAnswer answer) {
    LockGuard guard(lock_);
    if (!window_) return;
    const bool status = answer.request.command == ServiceCommand::Status;
    const auto last = lastPosted_.find(answer.request.watcher);
    const bool same = status && last != lastPosted_.end() && answer.stateText == last->second.stateText &&
                      answer.error == last->second.error;
    if (status && !same) lastPosted_[answer.request.watcher] = answer;
    answers_.push_back(std::move(answer));
    // Posted under the lock, so Detach cannot slip in between the check and the post.
    if (!same) ::PostMessageW(window_, arrivedMessage_, 0, 0);
}

void AnswerBox::Detach() {
    LockGuard guard(lock_);
    window_ = nullptr;
}

std::vector<ServiceAnswer> AnswerBox::Take() {
    LockGuard guard(lock_);
    return std::exchange(answers_, {});
}

WorkerServiceQueue::WorkerServiceQueue(std::unique_ptr<ScmPort> scm, std::shared_ptr<AnswerBox> answers)
    : shared_(std::make_shared<Shared>()) {
    shared_->scm = std::move(scm);
    shared_->answers = std::move(answers);
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
        }
        shared.answers->Put(std::move(answer));
    }
}

}  // namespace kestrin
