#include "platform/stopnotifier.h"

#include <unistd.h>

#include <utility>

#include <QSocketNotifier>

#include "platform/stopsignals.h"

namespace qel::platform {

StopNotifier::StopNotifier(std::function<void()> onStop, QObject* parent) : QObject(parent), onStop_(std::move(onStop))
{
    const int fd = StopSignalDescriptor();
    if (fd < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopNotifier::Readable);
}

StopNotifier::~StopNotifier() = default;

void StopNotifier::Readable()
{
    char buffer[16];
    while (::read(StopSignalDescriptor(), buffer, sizeof buffer) > 0) {}
    if (stopped_)
        return;
    stopped_ = true;
    notifier_->setEnabled(false);
    if (onStop_)
        onStop_();
}

}  // namespace qel::platform
