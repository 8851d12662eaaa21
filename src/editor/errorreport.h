#pragma once
// Errors that reach the window layer end in the default error report (a message box with the
// error's text) instead of unwinding through Qt's event loop, which cannot carry them.

#include <exception>
#include <stdexcept>

#include "platform/messagebox.h"

class QWidget;

namespace qel::editor {

inline void ReportFailure(const std::exception_ptr& failure, QWidget* owner)
{
    if (!failure)
        return;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        platform::ReportError(e, owner);
    } catch (...) {
        platform::ReportError(std::runtime_error("Unexpected error"), owner);
    }
}

// Runs `work`; an error it raises is reported over `owner`. Returns false when one was.
template <class Work> bool ReportingErrors(QWidget* owner, Work&& work)
{
    try {
        work();
        return true;
    } catch (...) {
        ReportFailure(std::current_exception(), owner);
        return false;
    }
}

}  // namespace qel::editor
