#pragma once
// The package builder's window: the saver's name, where the package goes, "Build    " with its
// progress, and, once a package is built, "Zip and Send" and "Explorer To". The editor opens it
// modally on a work folder that holds the configuration as "SaverSetup.dat" (see buildandsend.h).
//
// States: naming (the path follows the name) -> "Browse " -> path fixed; "Build    " -> building
// (the name, browse and build controls disabled, the window cannot close) -> completed (only
// "Zip and Send", "Explorer To" and "Close" act) or, after "Build Error", back to before the build.

#include <string>

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qel::builder {

class PackageBuilderWindow : public QDialog {
    Q_OBJECT
public:
    explicit PackageBuilderWindow(QWidget* owner = nullptr);

    std::string WorkFolder;    // set by the editor before the window is shown; ends in "/"
    std::string OutputFolder;  // the package's folder; ends in "/"
    bool PathChosen = false;   // the user chose the path with "Browse "
    bool Building = false;

    // The package's path as shown.
    [[nodiscard]] std::string PackagePath() const;

    [[nodiscard]] QLineEdit* EditName() const { return editName_; }
    [[nodiscard]] QLabel* EditPathName() const { return editPathName_; }
    [[nodiscard]] QProgressBar* ProgressBar() const { return pb_; }
    [[nodiscard]] QPushButton* BuildButton() const { return btnBuild_; }
    [[nodiscard]] QPushButton* SendButton() const { return btnSend_; }
    [[nodiscard]] QPushButton* ExplorerButton() const { return btnTest_; }
    [[nodiscard]] QPushButton* BrowseButton() const { return btnBrowser_; }
    [[nodiscard]] QPushButton* CloseButton() const { return btnCancel_; }

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
    void ShowPackagePath(const std::string& path);
    void BuildFinished(bool ok);

    QLineEdit* editName_ = nullptr;
    QLabel* editPathName_ = nullptr;
    QPushButton* btnBrowser_ = nullptr;
    QProgressBar* pb_ = nullptr;
    QPushButton* btnBuild_ = nullptr;
    QPushButton* btnSend_ = nullptr;
    QPushButton* btnTest_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    bool completed_ = false;  // "Build    " shows no glyph: this window has built its package
};

// Opens `folder` in the desktop's file manager.
void OpenFolder(const std::string& folder);

// The folder part of a path, with its trailing "/".
[[nodiscard]] std::string FolderOf(const std::string& path);

}  // namespace qel::builder
