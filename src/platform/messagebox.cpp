#include "messagebox.h"

#include <cstdlib>
#include <fstream>

#include <QMessageBox>
#include <QString>

namespace qel::platform {
namespace {

bool LogMessage(const std::string& text)
{
    const char* log = std::getenv("QELSAVER_MESSAGE_LOG");
    if (!log || !*log)
        return false;
    std::ofstream out(log, std::ios::app | std::ios::binary);
    out << text << "\n--\n";
    return true;
}

QMessageBox::Icon ToQt(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::Information;
}

}  // namespace

void ShowMessage(const std::string& text, MessageIcon icon, QWidget* owner)
{
    if (LogMessage(text))
        return;
    QMessageBox box(ToQt(icon), QString::fromUtf8(kMessageCaption), QString::fromLocal8Bit(text.c_str()),
                    QMessageBox::Ok, owner);
    box.exec();
}

bool AskYesNo(const std::string& text, QWidget* owner)
{
    if (LogMessage(text)) {
        const char* answer = std::getenv("QELSAVER_MESSAGE_ANSWER");
        return answer && std::string(answer) == "yes";
    }
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kMessageCaption), QString::fromLocal8Bit(text.c_str()),
                    QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

bool AskOkCancel(const std::string& text, MessageIcon icon, QWidget* owner)
{
    if (LogMessage(text)) {
        const char* answer = std::getenv("QELSAVER_MESSAGE_ANSWER");
        return answer && (std::string(answer) == "ok" || std::string(answer) == "yes");
    }
    QMessageBox box(ToQt(icon), QString::fromUtf8(kMessageCaption), QString::fromLocal8Bit(text.c_str()),
                    QMessageBox::Ok | QMessageBox::Cancel, owner);
    return box.exec() == QMessageBox::Ok;
}

void ReportError(const std::exception& error, QWidget* owner)
{
    ShowMessage(error.what(), MessageIcon::Error, owner);
}

}  // namespace qel::platform
