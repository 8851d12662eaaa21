#pragma once
// A window living inside a window of another program (the display settings dialog, a screen-saver
// host), given by its X11 id: made a borderless child of it at its top-left corner, it runs its
// own event loop until that window goes away or Stop is called. The other window is looked at
// every 250 ms: whether it still exists, and its size.

#include <QTimer>
#include <QWidget>

#include "platform/windowhandle.h"

class QEventLoop;

namespace qel::slideshow {

class EmbeddedWindow : public QWidget {
public:
    // A child of `parent` (it must exist), width x height; `flags` are added to the window's own.
    EmbeddedWindow(platform::WindowHandle parent, int width, int height, Qt::WindowFlags flags = {});
    ~EmbeddedWindow() override;

    // Shows the window and runs until the parent window is gone, Stop is called or the
    // application is told to exit; then stops.
    void Run();
    // Ends the window's show: Stopping is called once, Run returns.
    void Stop();
    [[nodiscard]] bool Stopped() const { return stopped_; }

protected:
    [[nodiscard]] platform::WindowHandle Parent() const { return parent_; }
    // The show stops: nothing more is prepared, started or played.
    virtual void Stopping() {}
    // The parent window has the size width x height, which differs from this window's.
    virtual void ParentResized(int width, int height);

private:
    void WatchParent();

    platform::WindowHandle parent_;
    QTimer parentWatch_;
    QEventLoop* loop_ = nullptr;
    bool stopped_ = false;
};

}  // namespace qel::slideshow
