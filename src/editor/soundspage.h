#pragma once
// The Sounds page: the slideshow's background sounds in playing order, and a player to listen to
// one of them. MP3 files play through the process-wide MPEG player (whose end-of-play event the
// page takes), everything else through the page's own media player, polled every 200 ms.
//
// Player states: idle (SoundPlaying false) -> play succeeds -> playing -> the sound ends, Stop, or
// its entry is removed -> idle. PlayingIndex follows the playing entry while entries move or go.
// The play and stop buttons are never disabled; their glyph says whether they can act.

#include <string>

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "audio/mediaplayer.h"
#include "settings/saversettings.h"

class QCheckBox;
class QPushButton;
class QToolButton;

namespace qel::editor {

class EditorDialogs;
class FileListBox;

class SoundsPage : public QWidget {
    Q_OBJECT
public:
    // Which player a sound plays through.
    enum PlayerKinds { kNoPlayer = 0, kMpegPlayer = 1, kMediaPlayer = 2 };
    // The glyphs of the play and stop buttons.
    enum Glyphs { kPlayGlyphIdle = 0, kPlayGlyphReady = 1, kStopGlyphIdle = 3, kStopGlyphPlaying = 4 };
    static constexpr int kSoundPollMs = 200;

    explicit SoundsPage(EditorDialogs& dialogs, QWidget* parent = nullptr);
    ~SoundsPage() override;  // stops what plays and gives the MPEG player's end event back

    // --- components ---
    [[nodiscard]] FileListBox* SoundListBox() const { return soundListBox_; }
    [[nodiscard]] QCheckBox* SoundCheck() const { return soundCheck_; }
    [[nodiscard]] audio::TMediaPlayer& MP() { return mp_; }
    [[nodiscard]] QTimer& SoundTimer() { return soundTimer_; }

    // --- fields ---
    [[nodiscard]] const std::string& SoundPath() const { return soundPath_; }
    void SetSoundPath(const std::string& folder) { soundPath_ = folder; }
    [[nodiscard]] bool SoundPlaying() const { return soundPlaying_; }
    [[nodiscard]] int PlayingIndex() const { return playingIndex_; }
    [[nodiscard]] int PlayerKind() const { return playerKind_; }
    [[nodiscard]] int PlayGlyph() const { return playGlyph_; }
    [[nodiscard]] int StopGlyph() const { return stopGlyph_; }

    // --- the controls and the settings ---
    // The sound list and "Choose Sound Files Randomly" (checked when RandomSound is 0). A sound
    // playing from the old list is stopped first.
    void Load(const settings::SaverSettings& s);
    void Store(settings::SaverSettings& s) const;

    // --- operations ---
    // "Stop Playing": what plays stops ("Preview" runs it too).
    void btnStopClick();
    // The MPEG player has reached the end of the sound.
    void SoundEnded();
    // Makes SoundEnded the MPEG player's end-of-play event again (after the slideshow borrowed it).
    void TakePlayEnd();
    // Makes `row` the current, selected entry and refreshes the play button.
    void SelectRow(int row);
    // Tells the user, once per process, that no sound output was found and sounds play silently,
    // when a player (the page's or the preview's) has just found none.
    void TellOfMissingSoundOutput();

private:
    // Handlers, named for the control (its object name) and the event.
    void SoundListBoxClick();
    void btnAddSoundClick();
    void btnDelSoundClick();
    void btnMusicUpClick();
    void btnMusicDownClick();
    void btnPlayClick();
    void SoundTimerTimer();
    // Files and folders dropped from a file manager: sound files, and the sound files in folders.
    void AddDroppedPaths(const QStringList& paths);

    void SetPlayGlyph(int glyph);
    void SetStopGlyph(int glyph);
    void Idle();
    void ClosePlayer();

    EditorDialogs& dialogs_;
    std::string soundPath_;
    bool soundPlaying_ = false;
    int playingIndex_ = -1;
    int playerKind_ = kNoPlayer;
    int playGlyph_ = -1;
    int stopGlyph_ = -1;

    audio::TMediaPlayer mp_;
    QTimer soundTimer_;
    FileListBox* soundListBox_ = nullptr;
    QPushButton* btnAddSound_ = nullptr;
    QPushButton* btnDelSound_ = nullptr;
    QToolButton* btnMusicUp_ = nullptr;
    QToolButton* btnMusicDown_ = nullptr;
    QToolButton* btnPlay_ = nullptr;
    QToolButton* btnStop_ = nullptr;
    QCheckBox* soundCheck_ = nullptr;
};

}  // namespace qel::editor
