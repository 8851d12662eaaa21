#include "pictureshow/pictureshowanimator.h"

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace qel::pictureshow {

using TickResult = PictureShowEngine::TickResult;

// The worker: measures time, sleeps, and asks the GUI thread for each tick. It never touches
// the engine itself.
class AnimateThread : public QThread {
public:
    AnimateThread(QObject* gui, PictureShowEngine& engine) : gui_(gui), engine_(engine) {}

protected:
    void run() override
    {
        QElapsedTimer clock;
        clock.start();
        while (!isInterruptionRequested()) {
            const qint64 start = clock.elapsed();
            TickResult result = TickResult::Stopped;
            int delay = 0;
            const bool called = QMetaObject::invokeMethod(
                gui_,
                [this, &result, &delay] {
                    result = engine_.Tick();
                    delay = engine_.Delay();
                },
                Qt::BlockingQueuedConnection);
            if (!called || result != TickResult::Continue)
                return;
            // Sleep the rest of Delay in short pieces, so a stop request is seen soon.
            for (qint64 left = delay - (clock.elapsed() - start); left > 0 && !isInterruptionRequested();
                 left = delay - (clock.elapsed() - start))
                msleep(static_cast<unsigned long>(std::min<qint64>(left, 20)));
        }
    }

private:
    QObject* gui_;
    PictureShowEngine& engine_;
};

namespace {

QThread::Priority ToQt(ThreadPriority p)
{
    switch (p) {
    case ThreadPriority::tpIdle: return QThread::IdlePriority;
    case ThreadPriority::tpLowest: return QThread::LowestPriority;
    case ThreadPriority::tpLower: return QThread::LowPriority;
    case ThreadPriority::tpNormal: return QThread::NormalPriority;
    case ThreadPriority::tpHigher: return QThread::HighPriority;
    case ThreadPriority::tpHighest: return QThread::HighestPriority;
    case ThreadPriority::tpTimeCritical: return QThread::TimeCriticalPriority;
    }
    return QThread::NormalPriority;
}

}  // namespace

PictureShowAnimator::PictureShowAnimator(PictureShowEngine& engine, QObject* parent) : QObject(parent), engine_(engine)
{
}

PictureShowAnimator::~PictureShowAnimator()
{
    *alive_ = false;
    StopAndWait();
}

void PictureShowAnimator::Animate()
{
    if (!engine_.Threaded()) {
        RunLoop();
        return;
    }
    // A thread still running keeps going (or, if it is just ending, ThreadEnded resumes).
    if (thread_)
        return;
    auto* thread = new AnimateThread(this, engine_);
    thread_ = thread;
    // The end notice may arrive after StopAndWait has already handled the end and deleted the
    // thread: the guarded pointer is null then.
    connect(
        thread, &QThread::finished, this,
        [this, guarded = QPointer<AnimateThread>(thread)] {
            if (guarded)
                ThreadEnded(guarded);
        },
        Qt::QueuedConnection);
    thread->start(ToQt(engine_.Priority()));
}

void PictureShowAnimator::ThreadEnded(AnimateThread* thread)
{
    if (thread_ != thread)
        return;
    thread_ = nullptr;
    thread->wait();
    delete thread;
    // Manual was switched on and off again while the thread was ending: carry on.
    if (engine_.Busy() && !engine_.Manual() && !engine_.AtEnd() && !engine_.Destroying()) {
        Animate();
        return;
    }
    engine_.Finish();
}

void PictureShowAnimator::StopAndWait()
{
    if (!thread_)
        return;
    thread_->requestInterruption();
    // The worker may be waiting for a tick call on this thread: serve only the calls meant for
    // this object (ticks and the end notice), nothing else, until the end has been handled.
    while (thread_) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        if (thread_ && thread_->isFinished())
            ThreadEnded(thread_);
        else if (thread_)
            thread_->wait(5);
    }
}

void PictureShowAnimator::RunLoop()
{
    const std::shared_ptr<bool> alive = alive_;
    QElapsedTimer clock;
    QTimer wake;
    wake.setSingleShot(true);
    TickResult result = TickResult::Stopped;
    for (;;) {
        clock.start();
        result = engine_.Tick();
        if (result != TickResult::Continue)
            break;
        const int delay = engine_.Delay();
        // Let pending events through until Delay has passed; the timer wakes the wait.
        while (clock.elapsed() <= delay && engine_.Busy() && !engine_.Manual()) {
            wake.start(static_cast<int>(std::max<qint64>(delay - clock.elapsed() + 1, 0)));
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (!*alive)
                return;
        }
        if (!engine_.Busy() || engine_.Manual())
            break;
    }
    if (result == TickResult::End)
        engine_.Finish();
}

}  // namespace qel::pictureshow
