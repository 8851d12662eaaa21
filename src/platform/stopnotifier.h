#pragma once
// Brings a stop signal (see stopsignals.h) to the window thread: while the notifier lives, the first
// stop signal calls `onStop` there, from the event loop. A signal that came before the notifier was
// made is not lost: it calls `onStop` as soon as the event loop runs.

#include <functional>
#include <memory>

#include <QObject>

class QSocketNotifier;

namespace qel::platform {

class StopNotifier : public QObject {
public:
    explicit StopNotifier(std::function<void()> onStop, QObject* parent = nullptr);
    ~StopNotifier() override;

private:
    void Readable();

    std::function<void()> onStop_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool stopped_ = false;
};

}  // namespace qel::platform
