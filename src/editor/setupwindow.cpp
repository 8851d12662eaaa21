#include "editor/setupwindow.h"

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLayout>
#include <QMenuBar>
#include <QProxyStyle>
#include <QScreen>
#include <QShortcut>
#include <QShortcutEvent>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/busycursor.h"
#include "editor/colorpickerbutton.h"
#include "editor/editordialogs.h"
#include "editor/errorreport.h"
#include "editor/filelistbox.h"
#include "editor/idleserviceoptions.h"
#include "editor/imagebutton.h"
#include "editor/imagespage.h"
#include "editor/optionspage.h"
#include "editor/soundspage.h"
#include "editor/transitionspage.h"
#include "imaging/qtdecoders.h"
#include "platform/backgroundtask.h"
#include "platform/messagebox.h"
#include "settings/inifile.h"
#include "settings/listentries.h"
#include "settings/processpaths.h"
#include "settings/saversettings.h"

namespace qel::editor {
namespace {

// Tool tips appear almost at once: the image buttons say what they do only through them.
constexpr int kHintPauseMs = 50;
// The colour of every page: red, green and blue 213 each.
constexpr int kPageGrey = 213;
// Room around the tabs and inside each page: the classic window is small.
constexpr int kClientMargin = 6;
constexpr int kPageMargin = 8;

// The window's client area: never smaller than the classic size, and never smaller than its pages
// need (a minimum set on the widget itself would win over what its layout needs and squeeze a page
// that holds more than the classic window did).
class ClientArea : public QWidget {
public:
    ClientArea(int width, int height) : least_(width, height) {}
    [[nodiscard]] QSize minimumSizeHint() const override { return QWidget::minimumSizeHint().expandedTo(least_); }

private:
    QSize least_;
};

class HintPauseStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return kHintPauseMs;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

void SetApplicationHintPause()
{
    if (dynamic_cast<HintPauseStyle*>(QApplication::style()))
        return;
    QApplication::setStyle(new HintPauseStyle(QApplication::style()->name()));
}

std::string NotReadWhole(const std::string& path, const std::string& problem)
{
    return "\"" + path + "\" could not be read whole: " + problem + ".";
}

}  // namespace

SetupWindow::SetupWindow(std::unique_ptr<EditorDialogs> dialogs, SystemActions actions, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs ? std::move(dialogs) : MakeSystemDialogs()), actions_(std::move(actions))
{
    setWindowTitle(QString::fromUtf8(platform::kMessageCaption));
    imaging::RegisterQtPictureDecoders();  // icons and PNG; only the first call registers

    options_ = new OptionsPage(*dialogs_);
    images_ = new ImagesPage(
        *dialogs_, [this] { return options_->btnBgColor()->Rgb(); }, [this] { return options_->Caption(); });
    sounds_ = new SoundsPage(*dialogs_);
    transitions_ = new TransitionsPage;
    images_->setObjectName(QStringLiteral("ImagesPage"));
    options_->setObjectName(QStringLiteral("OptionsPage"));
    sounds_->setObjectName(QStringLiteral("SoundsPage"));
    transitions_->setObjectName(QStringLiteral("TransitionsPage"));

    tabControl_ = new QTabBar;
    tabControl_->setObjectName(QStringLiteral("TabControl"));
    for (const QString& caption : {tr("&Images"), tr("&Options"), tr("&Sounds"), tr("&Transitions")})
        tabControl_->addTab(caption);
    tabControl_->setDrawBase(true);
    mainPageControl_ = new QStackedWidget;
    mainPageControl_->setObjectName(QStringLiteral("MainPageControl"));
    mainPageControl_->addWidget(BuildPage(images_, kImagesPage));
    mainPageControl_->addWidget(BuildPage(options_, kOptionsPage));
    mainPageControl_->addWidget(BuildPage(sounds_, kSoundsPage));
    mainPageControl_->addWidget(BuildPage(transitions_, kTransitionsPage));

    auto* client = new ClientArea(kClientWidth, kClientHeight);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(kClientMargin, kClientMargin, kClientMargin, kClientMargin);
    layout->setSpacing(0);
    layout->addWidget(tabControl_);
    layout->addWidget(mainPageControl_, 1);
    setCentralWidget(client);
    BuildMenus();

    connect(tabControl_, &QTabBar::currentChanged, this, &SetupWindow::TabControlChange);
    connect(options_->btnBgColor(), &ColorPickerButton::colorChanged, this, &SetupWindow::btnBgColorChange);
    connect(options_->cbCaption(), &QComboBox::currentIndexChanged, images_, &ImagesPage::RedrawPreview);
    // Moving between pages as in any tabbed window.
    for (const auto& [keys, step] :
         {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1}, std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
          std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
          std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this,
                [this, step = step] { SelectTab((tabControl_->currentIndex() + step + kPageCount) % kPageCount); });
    }
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            &SetupWindow::OpenSettingsMenu);
    if (actions_.idleServiceFacts) {
        // Asking runs a few of the desktop's programs: the window does not wait for them.
        idleFacts_ = std::make_unique<platform::BackgroundTask>([this, ask = actions_.idleServiceFacts] {
            const IdleServiceFacts facts = ask();
            QMetaObject::invokeMethod(
                this, [this, facts] { options_->IdleService()->SetFacts(facts); }, Qt::QueuedConnection);
        });
    }
    menuBar()->installEventFilter(this);

    FormCreate();

    // The classic size is where the window starts and the least it can be; a larger window gives the
    // room to the lists and the picture preview.
    resize(minimumSizeHint());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

SetupWindow::~SetupWindow() = default;

QWidget* SetupWindow::BuildPage(QWidget* content, int page)
{
    auto* panel = new QWidget;
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, QColor(kPageGrey, kPageGrey, kPageGrey));
    pal.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(pal);

    const auto at = std::size_t(page);
    btnPreview_[at] = ImageButton(Glyph::Preview, tr("Preview"), panel);
    btnOK_[at] = ImageButton(Glyph::Save, tr("Save Current Settings"), panel);
    btnCancel_[at] = ImageButton(Glyph::Exit, tr("Exit"), panel);
    btnPreview_[at]->setObjectName(QStringLiteral("btnPreview"));
    btnOK_[at]->setObjectName(QStringLiteral("btnOK"));
    btnCancel_[at]->setObjectName(QStringLiteral("btnCancel"));
    connect(btnPreview_[at], &QToolButton::clicked, this, &SetupWindow::btnPreviewClick);
    connect(btnOK_[at], &QToolButton::clicked, this, &SetupWindow::btnOKClick);
    connect(btnCancel_[at], &QToolButton::clicked, this, &SetupWindow::btnCancelClick);

    auto* commands = new QHBoxLayout;
    commands->addStretch();
    commands->addWidget(btnPreview_[at]);
    commands->addWidget(btnOK_[at]);
    commands->addWidget(btnCancel_[at]);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    layout->addWidget(content, 1);
    layout->addLayout(commands);
    return panel;
}

void SetupWindow::BuildMenus()
{
    settingsMenu_ = menuBar()->addMenu(tr("&Settings"));
    nImages_ = settingsMenu_->addAction(tr("&Images"), this, &SetupWindow::nImagesClick);
    nOptions_ = settingsMenu_->addAction(tr("&Options"), this, &SetupWindow::nOptionsClick);
    nSounds_ = settingsMenu_->addAction(tr("&Sounds"), this, &SetupWindow::nSoundsClick);
    nTransitions_ = settingsMenu_->addAction(tr("&Transitions"), this, &SetupWindow::nTransitionsClick);
    settingsMenu_->addSeparator();
    nExit_ = settingsMenu_->addAction(tr("&Exit"), this, &SetupWindow::nExitClick);

    projectMenu_ = menuBar()->addMenu(tr("&Project"));
    buildandSend1_ = projectMenu_->addAction(tr("&Build and Send"), this, &SetupWindow::BuildandSend1Click);
    projectMenu_->addSeparator();
    nLoad_ = projectMenu_->addAction(tr("&Load Project"), this, &SetupWindow::nLoadClick);
    nSave_ = projectMenu_->addAction(tr("&Save Project As.."), this, &SetupWindow::nSaveClick);

    helpMenu_ = menuBar()->addMenu(tr("&Help"));
    nContent_ = helpMenu_->addAction(tr("&Content"), this, &SetupWindow::nContentClick);
    nContent_->setShortcut(QKeySequence(Qt::Key_F1));
    helpMenu_->addSeparator();
    nAbout_ = helpMenu_->addAction(tr("&About"), this, &SetupWindow::nAboutClick);
    for (const auto& [action, name] :
         {std::pair{nImages_, "nImages"}, std::pair{nOptions_, "nOptions"}, std::pair{nSounds_, "nSounds"},
          std::pair{nTransitions_, "nTransitions"}, std::pair{nExit_, "nExit"},
          std::pair{buildandSend1_, "BuildandSend1"}, std::pair{nLoad_, "nLoad"}, std::pair{nSave_, "nSave"},
          std::pair{nContent_, "nContent"}, std::pair{nAbout_, "nAbout"}})
        action->setObjectName(QString::fromLatin1(name));
}

// --- lifecycle ---------------------------------------------------------------------------------

void SetupWindow::FormCreate()
{
    settingsFile_ = settings::SetupFilePath();
    ShowSettings(settings::LoadSettings(settingsFile_, settings::SettingsReader::Editor, &settingsProblem_));
    if (!settingsProblem_.empty())
        platform::ShowMessage(NotReadWhole(settingsFile_, settingsProblem_) +
                                  "\n\nThe editor shows what it could read and will not change that file when it "
                                  "closes. \"Save Project As..\" keeps your design in another file.",
                              platform::MessageIcon::Warning, this);
    SelectTab(kImagesPage);
    TabControlChange();
    sounds_->TakePlayEnd();
    SetApplicationHintPause();
    const settings::IniFile ini = settings::IniFile::Open(settingsFile_);
    images_->SetImagePath(ini.ReadString("Path", "ImagePath", ""));
    sounds_->SetSoundPath(ini.ReadString("Path", "SoundPath", ""));
}

void SetupWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void SetupWindow::FormShow()
{
    if (images_->ImagesListBox()->count() > 0)
        images_->SelectAndPreview(0);
    if (sounds_->SoundListBox()->count() > 0)
        sounds_->SelectRow(0);
    transitions_->SetCurrentRowQuietly(0);
    transitions_->StartPreview();
}

void SetupWindow::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void SetupWindow::FormClose()
{
    if (!settingsProblem_.empty())
        return;
    const settings::SavedPaths paths{images_->ImagePath(), sounds_->SoundPath(), settings::Process().appPath};
    ReportingErrors(this, [&] { settings::UpdatePathSection(settingsFile_, paths); });
}

// --- the controls and the settings -------------------------------------------------------------

void SetupWindow::LoadSetup(const std::string& path)
{
    const settings::IniFile ini = settings::IniFile::Open(path);
    if (!ini.Problem().empty())
        throw std::runtime_error(NotReadWhole(path, ini.Problem()));
    settings::SaverSettings s = settings::ReadSettings(ini, settings::SettingsReader::Editor);
    // A path the settings cannot hold (one written by another program) reads back cut short: it is
    // left out of the lists, and named, instead of standing there as a file that is not the one meant.
    std::vector<std::string> unheld;
    for (auto [section, list] : {std::pair{"Images", &s.images}, std::pair{"Sounds", &s.sounds}}) {
        list->clear();
        for (std::string& entry : settings::ReadListEntries(ini, section))
            (settings::WhyListCannotHold(entry).empty() ? *list : unheld).push_back(std::move(entry));
    }
    ShowSettings(s);
    if (!unheld.empty())
        platform::ShowMessage(UnheldPathsMessage("These files of \"" + path + "\" are left out:", unheld),
                              platform::MessageIcon::Warning, this);
}

void SetupWindow::ShowSettings(const settings::SaverSettings& s)
{
    images_->SetImages(s.images);
    options_->LoadPictureOptions(s);
    sounds_->Load(s);
    options_->LoadExitOptions(s);
    options_->IdleService()->Load(s);
    transitions_->Load(s);
}

void SetupWindow::SaveSetup(const std::string& path)
{
    const BusyCursor busy;
    settings::SaverSettings s;
    s.images = images_->Images();
    options_->Store(s);
    sounds_->Store(s);
    transitions_->Store(s);
    // The settings file may be a link the user keeps (its file is written); the preview's file is
    // only ever ours, so a link put there is not written through.
    if (path == settings::PreviewFilePath())
        settings::SaveOwnSettings(path, s);
    else
        settings::SaveSettings(path, s);
}

// --- pages ----------------------------------------------------------------------------------------

void SetupWindow::SelectTab(int index)
{
    tabControl_->setCurrentIndex(index);
}

void SetupWindow::TabControlChange()
{
    mainPageControl_->setCurrentIndex(tabControl_->currentIndex());
}

void SetupWindow::nImagesClick()
{
    SelectTab(kImagesPage);
}

void SetupWindow::nOptionsClick()
{
    SelectTab(kOptionsPage);
}

void SetupWindow::nSoundsClick()
{
    SelectTab(kSoundsPage);
}

void SetupWindow::nTransitionsClick()
{
    SelectTab(kTransitionsPage);
}

void SetupWindow::OpenSettingsMenu()
{
    menuBar()->setActiveAction(settingsMenu_->menuAction());
}

bool SetupWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A letter that a tab and a menu share would otherwise switch between the two on every press.
    if (watched == menuBar() && event->type() == QEvent::Shortcut) {
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        for (int i = 0; shortcut->isAmbiguous() && i < tabControl_->count(); ++i) {
            if (QKeySequence::mnemonic(tabControl_->tabText(i)) == shortcut->key()) {
                SelectTab(i);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void SetupWindow::btnBgColorChange()
{
    images_->RedrawPreview();
}

}  // namespace qel::editor
