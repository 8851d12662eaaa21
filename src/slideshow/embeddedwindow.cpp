#include "slideshow/embeddedwindow.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QWindow>

#include "imaging/qtdecoders.h"
#include "platform/foreignwindow.h"

namespace qel::slideshow {
namespace {

// How often the other program's window is looked at: whether it still exists, and its size.
constexpr int kParentWatchMs = 250;

}  // namespace

EmbeddedWindow::EmbeddedWindow(platform::WindowHandle parent, int width, int height, Qt::WindowFlags flags)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | flags), parent_(parent)
{
    imaging::RegisterQtPictureDecoders();  // icons and PNG; only the first call registers
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(width, height);
    parentWatch_.setInterval(kParentWatchMs);
    connect(&parentWatch_, &QTimer::timeout, this, [this] { WatchParent(); });

    // A child of the other program's window, at its top-left corner.
    winId();
    if (QWindow* handle = windowHandle()) {
        // The stand-in for the other window lives until the process ends, as this window does.
        handle->setParent(QWindow::fromWinId(WId(parent_)));
        handle->setPosition(0, 0);
    }
}

EmbeddedWindow::~EmbeddedWindow()
{
    parentWatch_.stop();
}

void EmbeddedWindow::Run()
{
    if (stopped_)
        return;
    show();
    parentWatch_.start();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    Stop();
}

void EmbeddedWindow::Stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    parentWatch_.stop();
    Stopping();
    if (loop_)
        loop_->quit();
}

void EmbeddedWindow::ParentResized(int, int)
{
}

void EmbeddedWindow::WatchParent()
{
    const auto size = platform::ForeignWindowSize(parent_);
    if (!size) {
        // The other program destroyed its window, and with it ours: Qt's complaints about that
        // while tearing down are expected and silenced.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.xcb.warning=false\nqt.qpa.xcb.critical=false"));
        Stop();
        return;
    }
    if (size->width != width() || size->height != height())
        ParentResized(size->width, size->height);
}

}  // namespace qel::slideshow
