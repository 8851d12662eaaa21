#pragma once
// Work on a thread of its own that reads the user's files. A file on a network mount that stopped
// answering can keep such work waiting without end; whoever started it must then be free to walk
// away (a slideshow ends when a key is pressed, whatever its pictures and sounds do) instead of
// waiting with it. Work that only computes is waited for, so that none of it still runs when the
// program ends.
//
// The work marks each stretch in which it may wait without end with an UnboundedWait (the file
// calls of this folder mark their own). Finish() waits until the work has returned, or until it is
// in such a stretch: then the work is left to end on its own. Left work must touch nothing of its
// owner's after that stretch, so it asks Abandoned() when the stretch is over; work that owns all it
// touches (shared pointers, copies) need not ask.

#include <functional>
#include <memory>
#include <thread>

namespace qel::platform {

class BackgroundTask {
public:
    // Starts `work` on a new thread. Exceptions leaving `work` are dropped.
    explicit BackgroundTask(std::function<void()> work);
    ~BackgroundTask();  // Finish()
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // The work has returned.
    [[nodiscard]] bool Done() const;

    // Waits until the work has returned, unless it is (or comes to be) waiting without end: then it
    // is left to finish on its own. True when it had returned. Only the first call waits.
    bool Finish();

    // For the work itself: its owner has walked away. False on a thread that runs no task.
    [[nodiscard]] static bool Abandoned();

    struct State;

private:
    std::shared_ptr<State> state_;
    std::thread thread_;
};

// Marks, for the life of the object, that the calling thread may now wait without end (on a file of
// a mount that stopped answering, on a media plugin stuck on broken data). Nests; does nothing on a
// thread that runs no BackgroundTask.
class UnboundedWait {
public:
    UnboundedWait();
    ~UnboundedWait();
    UnboundedWait(const UnboundedWait&) = delete;
    UnboundedWait& operator=(const UnboundedWait&) = delete;

private:
    std::shared_ptr<BackgroundTask::State> state_;
};

}  // namespace qel::platform
