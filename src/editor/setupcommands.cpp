// The editor's commands on the whole design: saving it and making this program the desktop's screen
// saver, trying it out, leaving with a question about unsaved changes, projects, help, About, and
// handing the design to the package builder.

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <QCoreApplication>

#include "base/paths.h"
#include "builder/buildandsend.h"
#include "editor/aboutwindow.h"
#include "editor/errorreport.h"
#include "editor/filelistbox.h"
#include "editor/imagespage.h"
#include "editor/optionspage.h"
#include "editor/pathtext.h"
#include "editor/setupwindow.h"
#include "editor/soundspage.h"
#include "editor/transitionspage.h"
#include "platform/messagebox.h"
#include "platform/regularfile.h"
#include "platform/systemfolders.h"
#include "platform/userfolders.h"
#include "settings/processpaths.h"
#include "settings/saversettings.h"

namespace qel::editor {
namespace {

constexpr const char* kNoImages = "You'd better insert at least one image.";
// Said when leaving saves a design without pictures: installed, it would show a black screen.
constexpr const char* kSavedNotInstalled =
    "The settings are saved, but a screen saver without pictures is not installed.";
constexpr const char* kSaveQuestion = "Would like to save any modifies made before exit?";
constexpr const char* kUnreadSettingsKept =
    "The settings file could not be read whole when the editor opened, so it is left as it is and "
    "your changes are not saved in it. \"Save Project As..\" keeps them in another file.\n\nClose anyway?";
// How the desktop's screen-saver host lists this program.
constexpr const char* kSaverTitle = "Qel ScreenSaver";
constexpr const char* kHelpFileName = "QelSaver.chm";
constexpr const char* kManualFile = "manual/index.html";

// What the user learns once our idle service is the screen saver: when the show will come.
std::string IdleServiceNotice(const settings::SaverSettings& s)
{
    const int minutes = std::clamp(s.idleMinutes, 1, 120);
    return "QelSaver starts after " + std::to_string(minutes) + (minutes == 1 ? " idle minute" : " idle minutes") +
           " on this desktop.";
}

}  // namespace

// --- saving and installing ---------------------------------------------------------------------------

bool SetupWindow::RefuseEmptyImageList()
{
    if (images_->ImagesListBox()->count() > 0)
        return false;
    platform::ShowMessage(kNoImages, platform::MessageIcon::Information, this);
    SelectTab(kImagesPage);
    return true;
}

void SetupWindow::btnOKClick()
{
    if (RefuseEmptyImageList())
        return;
    ReportingErrors(this, [this] {
        SaveSetup(settingsFile_);
        settingsProblem_.clear();  // the user chose to replace it: the file is ours from now on
        InstallSaver();
    });
}

void SetupWindow::InstallSaver()
{
    const std::string program = platform::ProgramFile();
    if (program.empty())
        throw std::runtime_error("The program cannot find its own file, so it cannot become the screen saver");
    const hosts::InstallResult r = actions_.installSaver(program, kSaverTitle);
    // The settings are saved either way: a desktop without a host only needs to be told so.
    if (r.ok && r.kind == hosts::HostKind::IdleService)
        platform::ShowNotice(IdleServiceNotice(settings::LoadSettings(settingsFile_, settings::SettingsReader::Editor)),
                             this);
    else if (r.ok)
        platform::ShowNotice(r.message, this);
    else
        platform::ShowMessage(r.message, platform::MessageIcon::Information, this);
}

bool SetupWindow::SetupModified(const std::string& path) const
{
    settings::SaverSettings shown;  // what SaveSetup would write now
    shown.images = images_->Images();
    options_->Store(shown);
    sounds_->Store(shown);
    transitions_->Store(shown);
    return !settings::SameDesign(settings::LoadSettings(path, settings::SettingsReader::Editor), shown);
}

// --- trying it out ----------------------------------------------------------------------------------

void SetupWindow::btnPreviewClick()
{
    if (previewRunning_)
        return;
    sounds_->btnStopClick();
    const std::string preview = settings::PreviewFilePath();
    if (!ReportingErrors(this, [&] { SaveSetup(preview); }))
        return;
    // The show is modal: nothing of the editor takes input until it has ended.
    previewRunning_ = true;
    setEnabled(false);
    ReportingErrors(this, [&] { actions_.runShow(preview); });
    setEnabled(true);
    previewRunning_ = false;
    QCoreApplication::processEvents();
    // The show's music borrowed the MPEG player's end-of-play event.
    sounds_->TakePlayEnd();
    sounds_->TellOfMissingSoundOutput();  // the show's music may have found no sound output
}

// --- leaving ----------------------------------------------------------------------------------------

void SetupWindow::btnCancelClick()
{
    if (!closePending_)
        close();
}

void SetupWindow::nExitClick()
{
    if (!closePending_)
        close();
}

bool SetupWindow::FormCloseQuery()
{
    closePending_ = true;
    bool canClose = true;
    if (!settingsProblem_.empty()) {
        // Saving would replace what could not be read; only the user may decide that, with "Save
        // Current Settings".
        if (SetupModified(settingsFile_))
            canClose = platform::AskOkCancel(kUnreadSettingsKept, platform::MessageIcon::Warning, this);
    } else if (SetupModified(settingsFile_)) {
        switch (platform::AskYesNoCancel(kSaveQuestion, platform::MessageIcon::Question, this)) {
        case platform::Answer::Cancel: canClose = false; break;
        case platform::Answer::No: break;
        case platform::Answer::Yes:
            // A failure keeps the window, and with it the unsaved design, open.
            canClose = ReportingErrors(this, [this] {
                SaveSetup(settingsFile_);
                if (images_->ImagesListBox()->count() > 0)
                    InstallSaver();
                else
                    platform::ShowMessage(std::string(kNoImages) + "\n\n" + kSavedNotInstalled,
                                          platform::MessageIcon::Information, this);
            });
            break;
        }
    }
    closePending_ = false;
    return canClose;
}

// --- projects ---------------------------------------------------------------------------------------

void SetupWindow::nLoadClick()
{
    const QString chosen = dialogs_->OpenProjectFile(
        this, ToText(base::AddTrailingSlash(platform::DefaultFilesFolder(settings::Process().appPath))));
    if (chosen.isEmpty())
        return;
    ReportingErrors(this, [&] {
        LoadSetup(ToPath(chosen));
        if (images_->ImagesListBox()->count() > 0)
            images_->SelectAndPreview(0, ImagesPage::Preview::Redraw);
        // The project is the design from now on; the desktop's screen saver stays as it is.
        SaveSetup(settingsFile_);
        settingsProblem_.clear();
    });
}

void SetupWindow::nSaveClick()
{
    const QString chosen = dialogs_->SaveProjectFile(
        this, ToText(base::AddTrailingSlash(platform::DefaultFilesFolder(settings::Process().appPath))));
    if (chosen.isEmpty())
        return;
    ReportingErrors(this, [&] { SaveSetup(ToPath(chosen)); });
}

// --- help -------------------------------------------------------------------------------------------

std::string SetupWindow::HelpFile() const
{
    const std::string appPath = settings::Process().appPath;
    const std::string helpFile = appPath + kHelpFileName;
    if (platform::IsRegularFile(helpFile) && actions_.canOpen(helpFile))
        return helpFile;
    const std::string manual = appPath + kManualFile;
    return platform::IsRegularFile(manual) ? manual : std::string();
}

void SetupWindow::nContentClick()
{
    if (const std::string file = HelpFile(); !file.empty())
        actions_.open(file);
}

void SetupWindow::nAboutClick()
{
    const std::string manual = settings::Process().appPath + kManualFile;
    AboutWindow about(platform::IsRegularFile(manual) ? manual : std::string(), AboutWindow::SupportMail(),
                      actions_.open, this);
    about.exec();
}

// --- building ---------------------------------------------------------------------------------------

void SetupWindow::BuildandSend1Click()
{
    if (RefuseEmptyImageList())
        return;
    builder::PackageDesktop desktop;
    desktop.choosePackageFile = [this](QWidget* owner, const std::string& suggested) {
        return ToPath(dialogs_->SavePackageFile(owner, ToText(suggested)));
    };
    desktop.open = actions_.open;
    builder::RunBuildAndSend(
        this, [this](const std::string& path) { SaveSetup(path); }, desktop);
}

}  // namespace qel::editor
