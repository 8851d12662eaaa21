#pragma once
// Builder work (a package, a zipped package) on a thread of its own, so that the window stays
// responsive and its progress bar moves while files are packed. What the work reports (the bar's
// maximum, one step, its end) reaches the job's own thread through Qt's event queue, in order, and
// only while the job exists: a report posted just before the job is destroyed is dropped.
//
// Destroying the job waits for the work, unless the work is waiting on a file without end (a mount
// that stopped answering): it is then left to end alone and reports nothing more.

#include <exception>
#include <functional>
#include <memory>

#include <QObject>

#include "builder/packagebuild.h"

namespace qel::platform {
class BackgroundTask;
}

namespace qel::builder {

class BackgroundJob : public QObject {
public:
    // Called on the job's thread.
    struct Reports {
        std::function<void(int maximum)> setMaximum;
        std::function<void()> step;
        // The work has returned; `failure` is what it threw, or null.
        std::function<void(std::exception_ptr failure)> finished;
    };
    // The work gets a progress whose calls become reports; it must own everything it touches.
    using Work = std::function<void(const BuildProgress& progress)>;

    // Starts `work` at once.
    BackgroundJob(Work work, Reports reports, QObject* parent = nullptr);
    ~BackgroundJob() override;

private:
    Reports reports_;
    std::unique_ptr<platform::BackgroundTask> task_;
};

}  // namespace qel::builder
