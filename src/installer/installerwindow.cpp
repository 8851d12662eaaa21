#include "installer/installerwindow.h"

#include <exception>

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "installer/installersession.h"
#include "platform/messagebox.h"

namespace qel::installer {
namespace {

constexpr int kProgressSteps = 1000;
constexpr int kIconSize = 64;
constexpr int kTextWidth = 420;

QString FromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

}  // namespace

InstallerWindow::InstallerWindow(InstallerSession& session, QWidget* parent) : QDialog(parent), session_(session)
{
    setWindowTitle(Text("Caption", "Qel ScreenSaver"));
    const std::vector<std::uint8_t> iconBytes = session.Icon();
    QPixmap icon;
    if (!iconBytes.empty() && icon.loadFromData(iconBytes.data(), uint(iconBytes.size()), "PNG"))
        setWindowIcon(icon);

    auto* heading = new QLabel(Text("Heading", "Install the screen saver \"%1\"").arg(FromUtf8(session.SaverName())));
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading->setFont(bold);
    heading->setWordWrap(true);

    summary_ = new QLabel(FromUtf8(session.Summary()));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_->setMinimumWidth(kTextWidth);

    QString notes;
    for (const std::string& n : session.Notes()) {
        QString note = FromUtf8(n);
        if (!note.isEmpty())
            note[0] = note[0].toUpper();
        notes += (notes.isEmpty() ? "" : "\n") + note + ".";
    }
    auto* notesLabel = new QLabel(notes);
    notesLabel->setWordWrap(true);
    notesLabel->setVisible(!notes.isEmpty());

    progress_ = new QProgressBar;
    progress_->setRange(0, kProgressSteps);
    progress_->setValue(0);
    progress_->setTextVisible(false);

    result_ = new QLabel;
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    btnInstall_ = new QPushButton(Text("InstallButton", "&Install"));
    btnInstall_->setDefault(true);
    btnClose_ = new QPushButton(Text("CancelButton", "Cancel"));
    connect(btnInstall_, &QPushButton::clicked, this, &InstallerWindow::btnInstallClick);
    connect(btnClose_, &QPushButton::clicked, this, &InstallerWindow::reject);

    auto* top = new QHBoxLayout;
    if (!icon.isNull()) {
        auto* iconLabel = new QLabel;
        iconLabel->setPixmap(icon.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        iconLabel->setAlignment(Qt::AlignTop);
        top->addWidget(iconLabel);
    }
    auto* texts = new QVBoxLayout;
    texts->addWidget(heading);
    texts->addWidget(summary_);
    texts->addWidget(notesLabel);
    top->addLayout(texts, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnInstall_);
    buttons->addWidget(btnClose_);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // the window grows with the result's lines
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addWidget(result_);
    layout->addLayout(buttons);
}

QString InstallerWindow::Text(const char* key, const char* fallback) const
{
    return FromUtf8(session_.Text(key, fallback));
}

void InstallerWindow::btnInstallClick()
{
    if (busy_ || installed_)
        return;
    busy_ = true;
    btnInstall_->setEnabled(false);
    btnClose_->setEnabled(false);
    result_->setText(Text("Installing", "Installing ..."));
    try {
        session_.Install([this](std::uint64_t done, std::uint64_t total) {
            progress_->setValue(total == 0 ? kProgressSteps : int(done * kProgressSteps / total));
            QApplication::processEvents();
        });
        installed_ = true;
        progress_->setValue(kProgressSteps);
    } catch (const std::exception& e) {
        result_->setText(FromUtf8(e.what()));
        progress_->setValue(0);
    }
    busy_ = false;
    btnClose_->setEnabled(true);
    if (!installed_) {
        btnInstall_->setEnabled(true);  // nothing was left behind: trying again is safe
        return;
    }
    btnInstall_->hide();
    btnClose_->setText(Text("CloseButton", "Close"));
    btnClose_->setDefault(true);
    AskToActivate();
}

// The same step as the editor's "Save Current Settings": the saver becomes the session's screen saver,
// when the user wants it.
void InstallerWindow::AskToActivate()
{
    QString text = FromUtf8(session_.Result());
    result_->setText(text);
    if (session_.StaysActive())
        return;
    std::string why;
    if (!session_.CanActivate(why)) {
        result_->setText(text + "\n\n" + FromUtf8(why));
        return;
    }
    const QString question =
        Text("ActivateQuestion", "Make \"%1\" your screen saver now?").arg(FromUtf8(session_.SaverName()));
    if (platform::AskYesNo(question.toLocal8Bit().toStdString(), this)) {
        try {
            text += "\n\n" + FromUtf8(session_.Activate());
        } catch (const std::exception& e) {
            text += "\n\n" + FromUtf8(e.what());
        }
    }
    result_->setText(text);
}

void InstallerWindow::closeEvent(QCloseEvent* event)
{
    if (busy_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void InstallerWindow::reject()
{
    if (!busy_)
        QDialog::reject();
}

}  // namespace qel::installer
