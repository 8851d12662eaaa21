#pragma once
// The About window: the product, its version, one line about it, a link to the user manual and,
// when the build names one, a link to the support mail address; "OK" closes it.

#include <functional>
#include <string>

#include <QDialog>

class QPushButton;

namespace qel::editor {

class LinkLabel;

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    // The support address this build was made with; empty when it names none.
    [[nodiscard]] static std::string SupportMail();

    // `manual`: the manual's file (no link when empty); `mail`: the support address (no link when
    // empty); `open`: hands a file or an address to the desktop.
    AboutWindow(const std::string& manual, const std::string& mail, std::function<void(const std::string&)> open,
                QWidget* parent = nullptr);

    [[nodiscard]] LinkLabel* ManualLink() const { return manualLink_; }
    [[nodiscard]] LinkLabel* MailLink() const { return mailLink_; }
    [[nodiscard]] QPushButton* btnOK() const { return btnOK_; }

private:
    LinkLabel* manualLink_ = nullptr;
    LinkLabel* mailLink_ = nullptr;
    QPushButton* btnOK_ = nullptr;
};

}  // namespace qel::editor
