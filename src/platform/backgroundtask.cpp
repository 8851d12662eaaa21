#include "platform/backgroundtask.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace qel::platform {

struct BackgroundTask::State {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    bool abandoned = false;
    int waiting = 0;  // nested UnboundedWait stretches in progress
};

namespace {

// The task the calling thread runs, if any.
thread_local std::shared_ptr<BackgroundTask::State> t_current;

}  // namespace

BackgroundTask::BackgroundTask(std::function<void()> work) : state_(std::make_shared<State>())
{
    thread_ = std::thread([state = state_, work = std::move(work)] {
        t_current = state;
        try {
            work();
        } catch (...) {
            // The work reports its own failures; nothing may escape a thread.
        }
        {
            std::lock_guard lock(state->mutex);
            state->done = true;
        }
        state->changed.notify_all();
        t_current.reset();
    });
}

BackgroundTask::~BackgroundTask()
{
    Finish();
}

bool BackgroundTask::Done() const
{
    std::lock_guard lock(state_->mutex);
    return state_->done;
}

bool BackgroundTask::Finish()
{
    if (!thread_.joinable())
        return Done();
    bool returned;
    {
        std::unique_lock lock(state_->mutex);
        state_->abandoned = true;
        state_->changed.wait(lock, [&] { return state_->done || state_->waiting > 0; });
        returned = state_->done;
    }
    if (returned)
        thread_.join();
    else
        thread_.detach();  // it holds its own share of the state
    return returned;
}

bool BackgroundTask::Abandoned()
{
    if (!t_current)
        return false;
    std::lock_guard lock(t_current->mutex);
    return t_current->abandoned;
}

UnboundedWait::UnboundedWait() : state_(t_current)
{
    if (!state_)
        return;
    {
        std::lock_guard lock(state_->mutex);
        ++state_->waiting;
    }
    state_->changed.notify_all();
}

UnboundedWait::~UnboundedWait()
{
    if (!state_)
        return;
    std::lock_guard lock(state_->mutex);
    --state_->waiting;
}

}  // namespace qel::platform
