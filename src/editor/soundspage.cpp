#include "editor/soundspage.h"

#include <filesystem>
#include <stdexcept>
#include <vector>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "audio/processplayer.h"
#include "audio/soundoutputnotice.h"
#include "base/paths.h"
#include "base/text.h"
#include "editor/busycursor.h"
#include "editor/editordialogs.h"
#include "editor/filelistbox.h"
#include "editor/imagebutton.h"
#include "editor/pathtext.h"
#include "platform/messagebox.h"
#include "slideshow/slideshowmusic.h"

namespace qel::editor {
namespace {

constexpr const char* kInvalidMusicFile = "Invalid Music File";
constexpr const char* kNoSoundOutput = "No sound output was found: the sounds play silently.";

// The extensions the sound dialog offers; dropped files and folders are taken by the same list.
const std::vector<std::string>& SoundExtensions()
{
    static const std::vector<std::string> extensions{"mp3", "wav", "mid", "rmi"};
    return extensions;
}

bool IsSoundFile(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    const std::string ext = base::FileExtension(path);
    for (const std::string& known : SoundExtensions())
        if (ext == known)
            return true;
    return false;
}

std::string FolderOf(const std::string& file)
{
    return base::AddTrailingSlash(std::filesystem::path(file).parent_path().string());
}

}  // namespace

SoundsPage::SoundsPage(EditorDialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs)
{
    soundListBox_ = new FileListBox(this);
    soundListBox_->setObjectName(QStringLiteral("SoundListBox"));
    soundListBox_->setAccessibleName(tr("Sounds"));
    btnAddSound_ = new QPushButton(tr("Add File(s)"), this);
    btnAddSound_->setObjectName(QStringLiteral("btnAddSound"));
    btnAddSound_->setToolTip(tr("Add sound files"));
    btnDelSound_ = new QPushButton(tr("Remove"), this);
    btnDelSound_->setObjectName(QStringLiteral("btnDelSound"));
    btnDelSound_->setToolTip(tr("Remove sounds file from list"));
    btnMusicUp_ = ImageButton(Glyph::MoveUp, tr("Move Up"), this);
    btnMusicUp_->setObjectName(QStringLiteral("btnMusicUp"));
    btnMusicDown_ = ImageButton(Glyph::MoveDown, tr("Move Down"), this);
    btnMusicDown_->setObjectName(QStringLiteral("btnMusicDown"));
    btnPlay_ = ImageButton(Glyph::Play, tr("Play Music"), this);
    btnPlay_->setObjectName(QStringLiteral("btnPlay"));
    btnStop_ = ImageButton(Glyph::Stop, tr("Stop Playing"), this);
    btnStop_->setObjectName(QStringLiteral("btnStop"));
    soundCheck_ = new QCheckBox(tr("Choose Sound Files Randomly"), this);
    soundCheck_->setObjectName(QStringLiteral("SoundCheck"));

    auto* moves = new QHBoxLayout;
    moves->addWidget(btnMusicUp_);
    moves->addWidget(btnMusicDown_);
    moves->addStretch();
    auto* player = new QHBoxLayout;
    player->addWidget(btnPlay_);
    player->addWidget(btnStop_);
    player->addStretch();
    auto* commands = new QVBoxLayout;
    commands->addWidget(btnAddSound_);
    commands->addWidget(btnDelSound_);
    commands->addLayout(moves);
    commands->addLayout(player);
    commands->addStretch();

    auto* body = new QHBoxLayout;
    body->addWidget(soundListBox_, 1);
    body->addLayout(commands);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(tr("Add your custom background sounds here:"), this);
    label->setBuddy(soundListBox_);
    auto* heading = new QHBoxLayout;
    heading->addWidget(label);
    heading->addStretch();
    heading->addWidget(EntryCountLabel(soundListBox_, tr("sound"), tr("sounds"), this));
    layout->addLayout(heading);
    layout->addLayout(body, 1);
    layout->addWidget(soundCheck_);

    SetPlayGlyph(kPlayGlyphIdle);
    SetStopGlyph(kStopGlyphIdle);

    connect(btnAddSound_, &QPushButton::clicked, this, &SoundsPage::btnAddSoundClick);
    connect(btnDelSound_, &QPushButton::clicked, this, &SoundsPage::btnDelSoundClick);
    connect(btnMusicUp_, &QToolButton::clicked, this, &SoundsPage::btnMusicUpClick);
    connect(btnMusicDown_, &QToolButton::clicked, this, &SoundsPage::btnMusicDownClick);
    connect(btnPlay_, &QToolButton::clicked, this, &SoundsPage::btnPlayClick);
    connect(btnStop_, &QToolButton::clicked, this, &SoundsPage::btnStopClick);
    connect(soundListBox_, &QListWidget::currentRowChanged, this, &SoundsPage::SoundListBoxClick);
    connect(soundListBox_, &QListWidget::itemSelectionChanged, this, &SoundsPage::SoundListBoxClick);
    connect(soundListBox_, &FileListBox::deleteRequested, this, &SoundsPage::btnDelSoundClick);
    connect(soundListBox_, &FileListBox::pathsDropped, this, &SoundsPage::AddDroppedPaths);

    soundTimer_.setInterval(kSoundPollMs);
    connect(&soundTimer_, &QTimer::timeout, this, &SoundsPage::SoundTimerTimer);
    soundTimer_.start();
}

SoundsPage::~SoundsPage()
{
    soundTimer_.stop();
    if (soundPlaying_)
        ClosePlayer();
    // The event would call into a page that no longer exists.
    if (audio::TMPEGPlayer* player = audio::MPEGPlayer())
        player->OnPlayEnd = nullptr;
}

void SoundsPage::Load(const settings::SaverSettings& s)
{
    btnStopClick();
    {
        const QSignalBlocker quiet(soundListBox_);
        soundListBox_->SetPaths(s.sounds);
    }
    soundCheck_->setChecked(s.randomSound == 0);
    SoundListBoxClick();
}

void SoundsPage::Store(settings::SaverSettings& s) const
{
    s.sounds = soundListBox_->Paths();
    s.randomSound = soundCheck_->isChecked() ? 0 : 1;
}

void SoundsPage::SetPlayGlyph(int glyph)
{
    playGlyph_ = glyph;
    const QIcon icon = GlyphIcon(Glyph::Play, btnPlay_);
    btnPlay_->setIcon(glyph == kPlayGlyphReady ? icon : QIcon(icon.pixmap(btnPlay_->iconSize(), QIcon::Disabled)));
}

void SoundsPage::SetStopGlyph(int glyph)
{
    stopGlyph_ = glyph;
    const QIcon icon = GlyphIcon(Glyph::Stop, btnStop_);
    btnStop_->setIcon(glyph == kStopGlyphPlaying ? icon : QIcon(icon.pixmap(btnStop_->iconSize(), QIcon::Disabled)));
}

void SoundsPage::SoundListBoxClick()
{
    const bool playable = soundListBox_->currentRow() >= 0 && !soundPlaying_ && soundListBox_->count() > 0;
    SetPlayGlyph(playable ? kPlayGlyphReady : kPlayGlyphIdle);
}

void SoundsPage::SelectRow(int row)
{
    if (row >= 0 && row < soundListBox_->count()) {
        const QSignalBlocker quiet(soundListBox_);
        soundListBox_->SelectOnly(row);
    }
    SoundListBoxClick();
}

void SoundsPage::btnAddSoundClick()
{
    const QStringList files = dialogs_.OpenSoundFiles(window(), AddFilesStartFolder(soundPath_, "MUSIC"));
    if (!files.isEmpty()) {
        std::vector<std::string> paths;
        for (const QString& f : files)
            paths.push_back(ToPath(f));
        soundPath_ = FolderOf(paths.front());
        const QSignalBlocker quiet(soundListBox_);
        soundListBox_->AppendHeldPaths(paths);
    }
    SelectRow(soundListBox_->CurrentEntry());
}

void SoundsPage::AddDroppedPaths(const QStringList& dropped)
{
    std::vector<std::string> paths;
    bool anyFile = false;
    {
        const BusyCursor busy;
        for (const QString& text : dropped) {
            const std::string path = ToPath(text);
            std::error_code ec;
            if (std::filesystem::is_directory(path, ec)) {
                base::ListPictureFiles(path, paths, SoundExtensions());
            } else if (IsSoundFile(path)) {
                if (!anyFile)
                    soundPath_ = FolderOf(path);
                anyFile = true;
                paths.push_back(path);
            }
        }
    }
    if (paths.empty())
        return;
    {
        const QSignalBlocker quiet(soundListBox_);
        soundListBox_->AppendHeldPaths(paths);
    }
    SelectRow(soundListBox_->CurrentEntry());
}

void SoundsPage::btnDelSoundClick()
{
    if (soundListBox_->selectedItems().isEmpty())
        return;
    std::vector<int> removed;
    {
        const QSignalBlocker quiet(soundListBox_);
        removed = soundListBox_->RemoveSelected();
    }
    // Rows come last to first, so each one is compared with the index as it stood when that row went.
    for (const int i : removed) {
        if (!soundPlaying_)
            break;
        if (i == playingIndex_) {
            ClosePlayer();
            Idle();
        } else if (i < playingIndex_) {
            --playingIndex_;
        }
    }
    SelectRow(soundListBox_->CurrentEntry());
}

void SoundsPage::btnMusicUpClick()
{
    const int i = soundListBox_->currentRow();
    if (i <= 0)
        return;
    if (soundPlaying_) {
        if (i == playingIndex_ + 1)
            ++playingIndex_;  // the playing sound is the entry above and moves down
        else if (i == playingIndex_)
            --playingIndex_;
    }
    {
        const QSignalBlocker quiet(soundListBox_);
        soundListBox_->Exchange(i - 1);
    }
    SelectRow(soundListBox_->currentRow());
}

void SoundsPage::btnMusicDownClick()
{
    const int i = soundListBox_->currentRow();
    if (i < 0 || i + 1 >= soundListBox_->count())
        return;
    if (soundPlaying_) {
        if (i == playingIndex_)
            ++playingIndex_;
        else if (i + 1 == playingIndex_)
            --playingIndex_;  // the playing sound is the entry below and moves up
    }
    {
        const QSignalBlocker quiet(soundListBox_);
        soundListBox_->Exchange(i);
    }
    SelectRow(soundListBox_->currentRow());
}

void SoundsPage::btnPlayClick()
{
    const int current = soundListBox_->currentRow();
    if (soundPlaying_ || soundListBox_->selectedItems().isEmpty() || current < 0)
        return;
    playingIndex_ = current;  // the focused entry, even when several are selected
    const std::string path = soundListBox_->PathAt(current);
    playerKind_ = slideshow::IsMPEGSound(path) ? kMpegPlayer : kMediaPlayer;
    try {
        if (playerKind_ == kMpegPlayer) {
            audio::TMPEGPlayer* player = audio::MPEGPlayer();
            if (!player)
                throw std::runtime_error("no MPEG player");
            TakePlayEnd();
            player->SetStreamName(path);
            player->Play();
        } else {
            mp_.SetFileName(path);
            mp_.Open();
            mp_.Play();
            mp_.SetNotify(true);
        }
    } catch (...) {
        platform::ShowMessage(kInvalidMusicFile, platform::MessageIcon::Error, window());
        TellOfMissingSoundOutput();
        return;
    }
    soundPlaying_ = true;
    SetStopGlyph(kStopGlyphPlaying);
    SetPlayGlyph(kPlayGlyphIdle);
    // The players find out while they start, so the word comes with the sound, not after it.
    TellOfMissingSoundOutput();
}

void SoundsPage::TellOfMissingSoundOutput()
{
    if (audio::TakeNoSoundOutputNotice())
        platform::ShowMessage(kNoSoundOutput, platform::MessageIcon::Information, window());
}

void SoundsPage::btnStopClick()
{
    if (!soundPlaying_)
        return;
    try {
        if (playerKind_ == kMediaPlayer) {
            mp_.Stop();
            mp_.Close();
        } else if (audio::TMPEGPlayer* player = audio::MPEGPlayer();
                   player && player->GetPlayerMode() > QEL_MODE_ENDED) {
            player->Close();
        }
    } catch (...) {
        // The player is left as it could be left; the page must not stay in "playing".
    }
    Idle();
}

void SoundsPage::SoundTimerTimer()
{
    if (!soundPlaying_ || playerKind_ != kMediaPlayer || mp_.Mode() != audio::mpStopped)
        return;
    mp_.Close();
    Idle();
}

void SoundsPage::SoundEnded()
{
    Idle();
}

void SoundsPage::TakePlayEnd()
{
    if (audio::TMPEGPlayer* player = audio::MPEGPlayer())
        player->OnPlayEnd = [this](audio::TMPEGPlayer&) { SoundEnded(); };
}

void SoundsPage::Idle()
{
    soundPlaying_ = false;
    SetStopGlyph(kStopGlyphIdle);
    SetPlayGlyph(kPlayGlyphReady);
    SoundListBoxClick();
}

void SoundsPage::ClosePlayer()
{
    try {
        if (playerKind_ == kMpegPlayer) {
            if (audio::TMPEGPlayer* player = audio::MPEGPlayer())
                player->Close();
        } else {
            mp_.Close();
        }
    } catch (...) {
        // Closing is all that can be done; nothing is left for the user to act on.
    }
}

}  // namespace qel::editor
