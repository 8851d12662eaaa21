#include "builder/packagebuilderwindow.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "base/paths.h"
#include "base/text.h"
#include "builder/backgroundjob.h"
#include "builder/packagebuild.h"
#include "builder/zipandsend.h"
#include "mail/mapiemail.h"
#include "mail/mapierror.h"
#include "platform/messagebox.h"
#include "platform/userfolders.h"
#include "settings/processpaths.h"

namespace qel::builder {
namespace fs = std::filesystem;
namespace {

constexpr int kClientWidth = 375;
constexpr int kClientHeight = 223;
constexpr int kNameLength = 20;
constexpr const char* kDefaultName = "NewSaver";
constexpr std::size_t kMostNamed = 20;              // files left out named in one message
constexpr const char* kPlaceholderRecipient = "@";  // the user completes the address in the mail program

QString FromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::string ToUtf8(const QString& s)
{
    return s.toUtf8().toStdString();
}

// The folder part of a path, with its trailing "/".
std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string FailureText(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unexpected error";
    }
}

}  // namespace

PackageBuilderWindow::PackageBuilderWindow(std::string workFolder, PackageDesktop desktop, QWidget* owner)
    : QDialog(owner), workFolder_(std::move(workFolder)), desktop_(std::move(desktop))
{
    setWindowTitle(FromUtf8(platform::kMessageCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* intro = new QLabel(tr("This is OPTIONAL. Use this function to create an self-\n"
                                "installing executable and send to your family or friends."));
    auto* nameLabel = new QLabel(tr("Screen Saver Name  : "));
    editName_ = new QLineEdit(tr(kDefaultName));
    editName_->setMaxLength(kNameLength);
    editPathName_ = new QLabel;
    editPathName_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    editPathName_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    editPathName_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    editPathName_->setMinimumWidth(1);  // a long path is cut, not the window widened
    btnBrowser_ = new QPushButton(style()->standardIcon(QStyle::SP_DirOpenIcon), tr("Browse "));
    pb_ = new QProgressBar;
    pb_->setRange(0, 100);
    pb_->setValue(0);
    pb_->setTextVisible(false);
    btnBuild_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), tr("Build    "));
    btnSend_ = new QPushButton(tr("Zip and Send"));
    btnTest_ = new QPushButton(tr("Explorer To"));
    btnTest_->setToolTip(tr("Explorer to the screensaver"));
    btnCancel_ = new QPushButton(tr("Close"));
    for (const auto& [widget, name] : {std::pair<QWidget*, const char*>{editName_, "EditName"},
                                       {editPathName_, "EditPathName"},
                                       {btnBrowser_, "btnBrowser"},
                                       {pb_, "pb"},
                                       {btnBuild_, "btnBuild"},
                                       {btnSend_, "btnSend"},
                                       {btnTest_, "btnTest"},
                                       {btnCancel_, "btnCancel"}})
        widget->setObjectName(QString::fromLatin1(name));

    auto* name = new QHBoxLayout;
    name->addWidget(nameLabel);
    name->addWidget(editName_, 1);
    auto* path = new QHBoxLayout;
    path->addWidget(editPathName_, 1);
    path->addWidget(btnBrowser_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnBuild_);
    buttons->addWidget(btnSend_);
    buttons->addWidget(btnTest_);
    buttons->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(name);
    layout->addLayout(path);
    layout->addWidget(pb_);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setFixedSize(QSize(kClientWidth, kClientHeight).expandedTo(minimumSizeHint()));
    for (QPushButton* b : {btnBrowser_, btnSend_, btnTest_, btnCancel_})
        b->setAutoDefault(false);
    btnBuild_->setDefault(true);
    editName_->setFocus();

    connect(editName_, &QLineEdit::textChanged, this, &PackageBuilderWindow::EditNameChange);
    connect(btnBrowser_, &QPushButton::clicked, this, &PackageBuilderWindow::btnBrowserClick);
    connect(btnBuild_, &QPushButton::clicked, this, &PackageBuilderWindow::btnBuildClick);
    connect(btnSend_, &QPushButton::clicked, this, &PackageBuilderWindow::btnSendClick);
    connect(btnTest_, &QPushButton::clicked, this, &PackageBuilderWindow::btnTestClick);
    connect(btnCancel_, &QPushButton::clicked, this, &PackageBuilderWindow::btnCancelClick);
    FormCreate();
}

PackageBuilderWindow::~PackageBuilderWindow()
{
    job_.reset();  // its reports call into this window
}

void PackageBuilderWindow::FormCreate()
{
    pathChosen_ = false;
    building_ = false;
    btnTest_->setEnabled(false);
    btnSend_->setEnabled(false);
    EditNameChange();
}

std::string PackageBuilderWindow::PackagePath() const
{
    return ToUtf8(editPathName_->text());
}

void PackageBuilderWindow::ShowPackagePath(const std::string& path)
{
    editPathName_->setText(FromUtf8(path));
    editPathName_->setToolTip(FromUtf8(path));
}

// The path follows the name until "Browse " fixes it.
void PackageBuilderWindow::EditNameChange()
{
    if (pathChosen_)
        return;
    // An installed program's folder is the administrator's: the package then goes to the user's documents.
    outputFolder_ = base::AddTrailingSlash(platform::DefaultFilesFolder(settings::Process().appPath)) +
                    ToUtf8(editName_->text()) + "/";
    ShowPackagePath(outputFolder_ + kDefaultPackageName);
}

void PackageBuilderWindow::btnBrowserClick()
{
    const std::string chosen = desktop_.choosePackageFile(this, PackagePath());
    if (chosen.empty())
        return;
    ShowPackagePath(chosen);
    outputFolder_ = FolderOf(chosen);
    pathChosen_ = true;
}

void PackageBuilderWindow::btnBuildClick()
{
    if (completed_ || Busy())
        return;  // a window builds at most one package
    const std::string name = ToUtf8(editName_->text());
    if (name.empty()) {
        platform::ShowMessage("Please fill in Screensaver Name.");
        return;
    }
    if (std::error_code made; !base::FolderExists(outputFolder_) && !fs::create_directories(outputFolder_, made) &&
                              !base::FolderExists(outputFolder_)) {
        // Its real cause, not the missing folder that writing the package would meet next.
        platform::ShowMessage("Build Error\n\nCannot create \"" + outputFolder_ + "\": " + made.message(),
                              platform::MessageIcon::Error);
        return;
    }
    const std::string packagePath = PackagePath();
    std::error_code ec;
    if (!pathChosen_ && fs::exists(packagePath, ec) && !platform::AskOkCancel(packagePath + " exists, \r\nReplace it?"))
        return;

    btnBuild_->setEnabled(false);
    editName_->setEnabled(false);
    btnBrowser_->setEnabled(false);
    building_ = true;
    BuildInputs in;
    in.name = name;
    in.workFolder = workFolder_;
    in.programFolder = settings::Process().programFolder;
    in.appPath = settings::Process().appPath;
    in.packagePath = packagePath;
    BackgroundJob::Reports reports;
    reports.setMaximum = [this](int maximum) {
        pb_->setRange(0, maximum);
        pb_->setValue(0);
    };
    reports.step = [this] { ZipWriter1EndZip(); };
    // The work fills the result before it returns; the report of its end comes after that.
    auto result = std::make_shared<BuildResult>();
    reports.finished = [this, result](const std::exception_ptr& failure) { BuildFinished(failure, result->leftOut); };
    job_.reset();
    job_ = std::make_unique<BackgroundJob>(
        [in, result](const BuildProgress& progress) { *result = BuildPackage(in, progress); }, std::move(reports));
}

void PackageBuilderWindow::BuildFinished(const std::exception_ptr& failure, const std::vector<std::string>& leftOut)
{
    building_ = false;
    pb_->setValue(0);
    btnBuild_->setEnabled(true);
    if (failure) {
        editName_->setEnabled(true);
        btnBrowser_->setEnabled(true);
        platform::ShowMessage("Build Error\n\n" + FailureText(failure), platform::MessageIcon::Error);
        return;
    }
    completed_ = true;
    btnBuild_->setIcon(QIcon());
    btnBuild_->setText(tr(" Completed "));
    btnBuild_->setToolTip(tr("Build Completed"));
    btnBuild_->setDown(false);
    btnTest_->setEnabled(true);
    btnSend_->setEnabled(true);
    // The package is built all the same; the user hears what it lacks.
    if (!leftOut.empty())
        platform::ShowMessage("The package is built, but without these files:\n\n" +
                                  base::Printable(base::ListedLines(leftOut, kMostNamed)),
                              platform::MessageIcon::Warning, this);
}

// The zip writer has written one entry (also the builder's copies): one step while building.
void PackageBuilderWindow::ZipWriter1EndZip()
{
    if (building_)
        pb_->setValue(pb_->value() + 1);
}

void PackageBuilderWindow::btnSendClick()
{
    if (Busy())
        return;
    const std::string path = PackagePath();
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return;
    const std::string archive = ZipArchivePath(path);
    zipping_ = true;
    btnSend_->setEnabled(false);
    BackgroundJob::Reports reports;
    reports.finished = [this, archive](const std::exception_ptr& failure) { ZipFinished(failure, archive); };
    job_.reset();
    job_ = std::make_unique<BackgroundJob>(
        [path, archive](const BuildProgress&) { ZipPackage(path, archive, nullptr); }, std::move(reports));
}

void PackageBuilderWindow::ZipFinished(const std::exception_ptr& failure, const std::string& archive)
{
    zipping_ = false;
    btnSend_->setEnabled(true);
    if (failure) {
        platform::ReportError(failure, this);
        return;
    }
    try {
        mail::SimpleSendMail(kPlaceholderRecipient, "", ToUtf8(editName_->text()), "", archive, true);
    } catch (const mail::EAttachmentsNotSupportedError& e) {
        // Better the archive at hand than a message without it.
        desktop_.open(FolderOf(archive));
        platform::ShowMessage(AttachByHandText(e.what(), archive), platform::MessageIcon::Information, this);
    } catch (const mail::ENoMailClientError&) {
        desktop_.open(FolderOf(archive));
        platform::ShowMessage(AttachByHandText("No mail program is set up.", archive),
                              platform::MessageIcon::Information, this);
    } catch (const std::exception& e) {
        platform::ReportError(e, this);
    }
}

void PackageBuilderWindow::btnTestClick()
{
    desktop_.open(FolderOf(PackagePath()));
}

void PackageBuilderWindow::btnCancelClick()
{
    close();
}

void PackageBuilderWindow::closeEvent(QCloseEvent* event)
{
    if (Busy())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void PackageBuilderWindow::reject()
{
    if (!Busy())
        QDialog::reject();
}

}  // namespace qel::builder
