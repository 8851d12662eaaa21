#pragma once
// The installer's window: what will be installed and where, a progress bar while it installs, the
// question whether the saver becomes the screen saver, and the result. The work is the session's.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qel::installer {

class InstallerSession;

class InstallerWindow : public QDialog {
    Q_OBJECT
public:
    explicit InstallerWindow(InstallerSession& session, QWidget* parent = nullptr);

    [[nodiscard]] bool Installed() const { return installed_; }
    [[nodiscard]] QPushButton* InstallButton() const { return btnInstall_; }
    [[nodiscard]] QPushButton* CloseButton() const { return btnClose_; }
    [[nodiscard]] QLabel* ResultLabel() const { return result_; }
    [[nodiscard]] QProgressBar* Progress() const { return progress_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void btnInstallClick();
    void AskToActivate();
    [[nodiscard]] QString Text(const char* key, const char* fallback) const;

    InstallerSession& session_;
    QLabel* summary_ = nullptr;
    QLabel* result_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* btnInstall_ = nullptr;
    QPushButton* btnClose_ = nullptr;
    bool busy_ = false;
    bool installed_ = false;
};

}  // namespace qel::installer
