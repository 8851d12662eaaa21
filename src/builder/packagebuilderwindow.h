#pragma once
// The package builder's window: the saver's name, where the package goes, "Build    " with its
// progress, and, once a package is built, "Zip and Send" and "Explorer To". The editor opens it
// modally on a work folder that holds the configuration as "SaverSetup.dat" (see buildandsend.h).
//
// States: naming (the path follows the name) -> "Browse " -> path fixed; "Build    " -> building
// (the name, browse and build controls disabled, the window cannot close) -> completed (only
// "Zip and Send", "Explorer To" and "Close" act) or, after "Build Error", back to before the build.
// The build and the zipping run off the window's thread: the window repaints and its bar moves.
//
// The controls carry their names as object names ("EditName", "EditPathName", "pb", "btnBrowser",
// "btnBuild", "btnSend", "btnTest", "btnCancel"): that is how tests and accessibility tools find them.

#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "builder/packagedesktop.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qel::builder {

class BackgroundJob;

class PackageBuilderWindow : public QDialog {
    Q_OBJECT
public:
    // `workFolder`: the build's own empty folder holding "SaverSetup.dat"; ends in "/".
    PackageBuilderWindow(std::string workFolder, PackageDesktop desktop, QWidget* owner = nullptr);
    ~PackageBuilderWindow() override;

    // The file name a package gets when the user has not chosen one.
    static constexpr const char* kDefaultPackageName = "setup.run";

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void FormCreate();
    void EditNameChange();
    void btnBrowserClick();
    void btnBuildClick();
    void ZipWriter1EndZip();
    void btnSendClick();
    void btnTestClick();
    void btnCancelClick();

    // The package's path as shown.
    [[nodiscard]] std::string PackagePath() const;
    void ShowPackagePath(const std::string& path);
    // `leftOut`: the pictures and sounds the build left out, each with its reason.
    void BuildFinished(const std::exception_ptr& failure, const std::vector<std::string>& leftOut);
    void ZipFinished(const std::exception_ptr& failure, const std::string& archive);
    // Work is running off the window's thread: the window stays open until it has ended.
    [[nodiscard]] bool Busy() const { return building_ || zipping_; }

    const std::string workFolder_;
    PackageDesktop desktop_;
    std::string outputFolder_;  // the package's folder; ends in "/"
    bool pathChosen_ = false;   // the user chose the path with "Browse "
    bool building_ = false;
    bool zipping_ = false;    // "Zip and Send" is writing its archive
    bool completed_ = false;  // "Build    " shows no glyph: this window has built its package
    std::unique_ptr<BackgroundJob> job_;

    QLineEdit* editName_ = nullptr;
    QLabel* editPathName_ = nullptr;
    QPushButton* btnBrowser_ = nullptr;
    QProgressBar* pb_ = nullptr;
    QPushButton* btnBuild_ = nullptr;
    QPushButton* btnSend_ = nullptr;
    QPushButton* btnTest_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

}  // namespace qel::builder
