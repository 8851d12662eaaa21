#pragma once
// The Transitions page: one row with a check box per transition style the slideshow may use, the
// speed of the transitions, and a small preview that brings the two sample pictures "trans1.jpg"
// and "trans2.jpg" (from the application folder) in over each other endlessly, in the style of the
// row last chosen and at the speed last chosen, with a pause of 1.5 seconds after each transition.
//
// A style or speed chosen while a transition runs takes effect when it has finished, so a
// transition never changes its geometry half-way.
//
// While the mouse is over a row, the preview's place shows instead the gallery's animation of that
// row's style (transitiongallery.h), so styles can be compared without choosing each; the preview
// itself runs on underneath and comes back when the mouse leaves the list. The animation is read
// only then, so the page opens as fast as without it.

#include <optional>

#include <QTimer>
#include <QWidget>

#include "settings/saversettings.h"

class QBuffer;
class QComboBox;
class QLabel;
class QListWidget;
class QMovie;
class QPushButton;
class QStackedLayout;

namespace qel::pictureshow {
class TPictureShow;
}

namespace qel::editor {

class TransitionsPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPauseMs = 1500;
    static constexpr const char* kFirstSample = "trans1.jpg";
    static constexpr const char* kSecondSample = "trans2.jpg";

    explicit TransitionsPage(QWidget* parent = nullptr);

    // --- components ---
    [[nodiscard]] QListWidget* TransListBox() const { return transListBox_; }
    [[nodiscard]] QComboBox* cbDuration() const { return cbDuration_; }
    [[nodiscard]] pictureshow::TPictureShow* PsPreview() const { return psPreview_; }
    [[nodiscard]] QTimer& TransTimer() { return transTimer_; }
    // Which sample comes next: 0 the first, 1 the second.
    [[nodiscard]] int PreviewTag() const { return tag_; }
    // The style whose gallery animation is shown in the preview's place, when one is.
    [[nodiscard]] std::optional<int> AnimatedStyle() const { return animatedStyle_; }

    // --- the controls and the settings ---
    // Rows from TransSetup (one per character, at most one per style, checked for "1"), the current
    // row from TransIndex and the speed from Duration. The preview is not touched.
    void Load(const settings::SaverSettings& s);
    void Store(settings::SaverSettings& s) const;
    // Makes `row` the current row without changing the preview's style.
    void SetCurrentRowQuietly(int row);

    // --- handlers ---
    // The pause after a transition is over: the next one starts.
    void TransTimerTimer();

    // --- operations ---
    // Loads the next sample picture into the preview (a missing one leaves the preview as it is).
    // Throws imaging::PictureError for a sample that cannot be decoded.
    void LoadTransitionPicture();
    // The first sample and the first transition, when the window first appears.
    void StartPreview();

private:
    // Handlers, named for the control (its object name) and the event.
    void TransListBoxClick();
    void TransListBoxDblClick();
    void cbDurationChange();
    void PsPreviewComplete();
    void btnSelectAllClick();
    void btnSelectNoneClick();
    void SetAllChecked(bool checked);
    void ApplyWhenIdle();
    // The mouse over a row: its style's animation in the preview's place. Without a readable
    // animation the preview stays.
    void ShowStyleAnimation(int style);
    void ShowPreview();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    QListWidget* transListBox_ = nullptr;
    QPushButton* btnSelectAll_ = nullptr;
    QPushButton* btnSelectNone_ = nullptr;
    QComboBox* cbDuration_ = nullptr;
    pictureshow::TPictureShow* psPreview_ = nullptr;
    QStackedLayout* previewPlace_ = nullptr;
    QLabel* styleAnimation_ = nullptr;
    QLabel* styleAnimationName_ = nullptr;
    QMovie* movie_ = nullptr;  // made when first needed
    QBuffer* animationData_ = nullptr;
    std::optional<int> animatedStyle_;
    QTimer transTimer_;
    int tag_ = 0;
    // Chosen while a transition ran; applied when it completes.
    std::optional<int> pendingStyle_;
    std::optional<int> pendingDelay_;
};

}  // namespace qel::editor
