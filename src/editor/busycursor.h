#pragma once
// The hourglass while the window thread is busy, restored however the work ends (an error
// included). Nested guards stack, so the normal cursor comes back only after the outermost.

#include <QGuiApplication>

namespace qel::editor {

class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace qel::editor
