#include "messagebox.h"

#include <algorithm>
#include <fstream>

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include "platform/environment.h"

namespace qel::platform {
namespace {

// The log file, from the environment the first time a message needs it; empty when none.
const std::string& LogFile()
{
    static const std::string file = [] { return Environment("QELSAVER_MESSAGE_LOG"); }();
    return file;
}

bool LogMessage(const std::string& text)
{
    if (!MessagesLogged())
        return false;
    std::ofstream out(LogFile(), std::ios::app | std::ios::binary);
    out << text << "\n--\n";
    return true;
}

std::string LoggedAnswer()
{
    return Environment("QELSAVER_MESSAGE_ANSWER");
}

// How long a notice stays: long enough to read it at a calm pace.
constexpr int kNoticeBaseMs = 3000;
constexpr int kNoticeMsPerCharacter = 60;
constexpr int kNoticeLongestMs = 15000;
// Its text wraps at about this many average characters; it keeps this far from the owner's edge.
constexpr int kNoticeLineCharacters = 60;
constexpr int kNoticeEdgeMargin = 16;
constexpr int kNoticePadding = 10;
const QString kNoticeName = QStringLiteral("qelNotice");

// The notice's window: no frame, never active, gone at a click.
class Notice : public QFrame {
public:
    explicit Notice(QWidget* owner) : QFrame(owner, Qt::ToolTip | Qt::FramelessWindowHint)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFrameShape(QFrame::Box);
        setBackgroundRole(QPalette::ToolTipBase);
        setForegroundRole(QPalette::ToolTipText);
        setAutoFillBackground(true);
        setObjectName(kNoticeName);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        event->accept();
        close();
    }
};

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

bool MessagesLogged()
{
    return !LogFile().empty();
}

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
    if (LogMessage(text))
        return LoggedAnswer() == "yes";
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kMessageCaption), QString::fromLocal8Bit(text.c_str()),
                    QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

bool AskOkCancel(const std::string& text, MessageIcon icon, QWidget* owner)
{
    if (LogMessage(text)) {
        const std::string answer = LoggedAnswer();
        return answer == "ok" || answer == "yes";
    }
    QMessageBox box(ToQt(icon), QString::fromUtf8(kMessageCaption), QString::fromLocal8Bit(text.c_str()),
                    QMessageBox::Ok | QMessageBox::Cancel, owner);
    return box.exec() == QMessageBox::Ok;
}

Answer AskYesNoCancel(const std::string& text, MessageIcon icon, QWidget* owner)
{
    if (LogMessage(text)) {
        const std::string answer = LoggedAnswer();
        return answer == "yes" ? Answer::Yes : answer == "no" ? Answer::No : Answer::Cancel;
    }
    QMessageBox box(ToQt(icon), QString::fromUtf8(kMessageCaption), QString::fromLocal8Bit(text.c_str()),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

void ShowNotice(const std::string& text, QWidget* owner)
{
    if (LogMessage(text))
        return;
    QWidget* window = owner ? owner->window() : nullptr;
    // A new notice replaces the one still showing, rather than piling up on it.
    if (window) {
        for (QFrame* earlier : window->findChildren<QFrame*>(kNoticeName, Qt::FindDirectChildrenOnly))
            earlier->close();
    }
    auto* notice = new Notice(window);  // deletes itself when it closes
    auto* icon = new QLabel(notice);
    const int iconSize = notice->style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(notice->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(iconSize, iconSize));
    auto* label = new QLabel(QString::fromLocal8Bit(text.c_str()), notice);
    label->setWordWrap(true);
    label->setMaximumWidth(notice->fontMetrics().averageCharWidth() * kNoticeLineCharacters);
    auto* layout = new QHBoxLayout(notice);
    layout->setContentsMargins(kNoticePadding, kNoticePadding, kNoticePadding, kNoticePadding);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(label, 1);
    notice->adjustSize();

    // Just below the owner, so it covers none of its buttons; over the owner's middle when the
    // screen has no room below it; at the bottom of the screen without an owner.
    QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    const QRect desk = screen ? screen->availableGeometry() : QRect();
    const QRect frame = window ? window->frameGeometry() : QRect();
    QPoint at;
    if (frame.isEmpty()) {
        at = QPoint(desk.center().x() - notice->width() / 2, desk.bottom() - notice->height() - kNoticeEdgeMargin);
    } else {
        at = QPoint(frame.center().x() - notice->width() / 2, frame.bottom() + kNoticeEdgeMargin);
        if (!desk.isEmpty() && at.y() + notice->height() > desk.bottom())
            at.setY(frame.center().y() - notice->height() / 2);
    }
    if (!desk.isEmpty())
        at.setX(std::clamp(at.x(), desk.left(), std::max(desk.left(), desk.right() - notice->width())));
    notice->move(at);
    notice->show();
    const int stay = std::min(kNoticeLongestMs, kNoticeBaseMs + kNoticeMsPerCharacter * int(text.size()));
    QTimer::singleShot(stay, notice, &QWidget::close);
}

void ReportError(const std::exception& error, QWidget* owner)
{
    ShowMessage(error.what(), MessageIcon::Error, owner);
}

void ReportError(const std::exception_ptr& failure, QWidget* owner)
{
    if (!failure)
        return;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        ReportError(e, owner);
    } catch (...) {
        ShowMessage("Unexpected error", MessageIcon::Error, owner);
    }
}

}  // namespace qel::platform
