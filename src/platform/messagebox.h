#pragma once
// Message boxes of the program. Every box has the caption "Qel ScreenSaver".
// When $QELSAVER_MESSAGE_LOG names a file, the text is appended there (one record per box,
// followed by a line "--") instead of showing a dialog, so tests can read what a user would see.

#include <exception>
#include <string>

class QWidget;

namespace qel::platform {

inline constexpr const char* kMessageCaption = "Qel ScreenSaver";

enum class MessageIcon { Information, Warning, Error, Question };

// Shows a modal box with an OK button. A QApplication must exist unless the log is in use.
void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Information, QWidget* owner = nullptr);

// Shows a box with Yes and No; returns true for Yes. With the log in use, answers
// $QELSAVER_MESSAGE_ANSWER ("yes" or "no", default "no").
bool AskYesNo(const std::string& text, QWidget* owner = nullptr);

// Shows a box with OK and Cancel and the given icon; returns true for OK. With the log in use,
// answers $QELSAVER_MESSAGE_ANSWER ("ok" or "yes" for OK; default Cancel).
bool AskOkCancel(const std::string& text, MessageIcon icon = MessageIcon::Information, QWidget* owner = nullptr);

// The default report of an error that reached the window layer: a box with the error's text.
void ReportError(const std::exception& error, QWidget* owner = nullptr);

}  // namespace qel::platform
