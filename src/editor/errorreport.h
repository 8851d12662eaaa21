#pragma once
// Errors that reach the window layer end in the default error report (a message box with the
// error's text) instead of unwinding through Qt's event loop, which cannot carry them.

#include <exception>

#include "platform/messagebox.h"

class QWidget;

namespace qel::editor {

// Runs `work`; an error it raises is reported over `owner`. Returns false when one was.
template <class Work> bool ReportingErrors(QWidget* owner, Work&& work)
{
    try {
        work();
        return true;
    } catch (...) {
        platform::ReportError(std::current_exception(), owner);
        return false;
    }
}

}  // namespace qel::editor
