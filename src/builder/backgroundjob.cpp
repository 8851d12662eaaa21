#include "builder/backgroundjob.h"

#include <utility>

#include "platform/backgroundtask.h"

namespace qel::builder {
namespace {

// From the work's thread: runs `report` on the job's thread later, unless the job has gone. The owner
// waits in Finish() while the work runs outside an unbounded wait, so the job cannot go between
// this check and the post; a report posted to a job destroyed later is dropped by Qt.
void Post(QObject* job, std::function<void()> report)
{
    if (platform::BackgroundTask::Abandoned())
        return;
    QMetaObject::invokeMethod(job, std::move(report), Qt::QueuedConnection);
}

}  // namespace

BackgroundJob::BackgroundJob(Work work, Reports reports, QObject* parent)
    : QObject(parent), reports_(std::move(reports))
{
    task_ = std::make_unique<platform::BackgroundTask>([this, work = std::move(work)] {
        BuildProgress progress;
        progress.setMaximum = [this](int maximum) {
            Post(this, [this, maximum] {
                if (reports_.setMaximum)
                    reports_.setMaximum(maximum);
            });
        };
        progress.step = [this] {
            Post(this, [this] {
                if (reports_.step)
                    reports_.step();
            });
        };
        std::exception_ptr failure;
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        Post(this, [this, failure] {
            if (reports_.finished)
                reports_.finished(failure);
        });
    });
}

BackgroundJob::~BackgroundJob()
{
    // Before the QObject goes: the work must not post to it any more.
    task_.reset();
}

}  // namespace qel::builder
