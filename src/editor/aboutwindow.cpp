#include "editor/aboutwindow.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/imagebutton.h"
#include "editor/linklabel.h"
#include "platform/messagebox.h"

#ifndef QELSAVER_SUPPORT_MAIL
#define QELSAVER_SUPPORT_MAIL ""
#endif

namespace qel::editor {
namespace {

constexpr const char* kProductName = "Qel ScreenSaver";
constexpr const char* kVersion = "Version 2.40";
constexpr const char* kAboutLine = "Enjoy this easy to use personlize screensaver";
// The product name stands out above the rest.
constexpr double kNameScale = 1.4;
constexpr int kIconSize = 48;
constexpr int kSpacing = 6;
constexpr int kColumnGap = 16;

}  // namespace

std::string AboutWindow::SupportMail()
{
    return QELSAVER_SUPPORT_MAIL;
}

AboutWindow::AboutWindow(const std::string& manual, const std::string& mail,
                         std::function<void(const std::string&)> open, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QString::fromUtf8(platform::kMessageCaption));

    auto* icon = new QLabel;
    icon->setPixmap(
        GlyphIcon(Glyph::Preview, this, kIconSize).pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));

    auto* name = new QLabel(QString::fromUtf8(kProductName));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * kNameScale);
    name->setFont(bold);
    auto* version = new QLabel(QString::fromUtf8(kVersion));
    auto* rule = new QFrame;
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto* line = new QLabel(QString::fromUtf8(kAboutLine));

    auto* texts = new QVBoxLayout;
    texts->setSpacing(kSpacing);
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addWidget(rule);
    texts->addWidget(line);
    if (!manual.empty()) {
        manualLink_ = new LinkLabel(tr("QelSaver user manual"));
        connect(manualLink_, &LinkLabel::clicked, this, [open, manual] { open(manual); });
        texts->addWidget(manualLink_);
    }
    if (!mail.empty()) {
        mailLink_ = new LinkLabel(QString::fromUtf8(mail));
        connect(mailLink_, &LinkLabel::clicked, this, [open, mail] { open("mailto:" + mail); });
        texts->addWidget(mailLink_);
    }

    auto* top = new QHBoxLayout;
    top->setSpacing(kColumnGap);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    btnOK_ = new QPushButton(tr("OK"));
    btnOK_->setDefault(true);
    connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK_);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(kSpacing);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Enter closes the window, as in any message; the links are reached with Tab.
    btnOK_->setFocus();
}

}  // namespace qel::editor
