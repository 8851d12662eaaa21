#pragma once
// Message boxes of the program. Every box has the caption "Qel ScreenSaver".
// When $QELSAVER_MESSAGE_LOG names a file, the text is appended there (one record per box,
// followed by a line "--") instead of showing a dialog, so tests can read what a user would see;
// the questions then take their answer from $QELSAVER_MESSAGE_ANSWER. The log's name is read from
// the environment once, when it is first needed: one log for the life of the process.

#include <exception>
#include <string>

class QWidget;

namespace qel::platform {

inline constexpr const char* kMessageCaption = "Qel ScreenSaver";

// Whether messages go to the log instead of the screen.
[[nodiscard]] bool MessagesLogged();

enum class MessageIcon { Information, Warning, Error, Question };

// Shows a modal box with an OK button. A QApplication must exist unless the log is in use.
void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Information, QWidget* owner = nullptr);

// Shows a box with Yes and No; returns true for Yes. With the log in use, answers
// $QELSAVER_MESSAGE_ANSWER ("yes" or "no", default "no").
bool AskYesNo(const std::string& text, QWidget* owner = nullptr);

// Shows a box with OK and Cancel and the given icon; returns true for OK. With the log in use,
// answers $QELSAVER_MESSAGE_ANSWER ("ok" or "yes" for OK; default Cancel).
bool AskOkCancel(const std::string& text, MessageIcon icon = MessageIcon::Information, QWidget* owner = nullptr);

enum class Answer { Yes, No, Cancel };

// Shows a box with Yes, No and Cancel that keeps every other window of the program from input
// until it is answered; closing it counts as Cancel. With the log in use, answers
// $QELSAVER_MESSAGE_ANSWER ("yes", "no" or "cancel"; default Cancel, which loses nothing).
Answer AskYesNoCancel(const std::string& text, MessageIcon icon = MessageIcon::Question, QWidget* owner = nullptr);

// A short note that waits for nobody: it appears over the bottom of `owner` (or of the screen),
// goes away by itself after a time that grows with the text, or at a click, and takes no input
// from the window under it. Returns at once. With the log in use, it is logged instead.
void ShowNotice(const std::string& text, QWidget* owner = nullptr);

// The default report of an error that reached the window layer: a box with the error's text. Every
// window of the program reports its failures through these two.
void ReportError(const std::exception& error, QWidget* owner = nullptr);
// The same for a failure carried out of a handler or across threads; a null one reports nothing.
void ReportError(const std::exception_ptr& failure, QWidget* owner = nullptr);

}  // namespace qel::platform
