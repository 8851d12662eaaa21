#pragma once
// The idle service's settings on the Options page: how long the desktop must be idle before the
// show ("Start after: N minutes") and whether the session locks when a show ends ("On resume, ask
// for the password"). The wait is ours only where the idle service is the screen saver in use
// (elsewhere the desktop's host has its own), so it is enabled only there; a line below it says
// when the desktop blanks the screen before the wait is over.

#include <QGroupBox>

#include "editor/systemactions.h"
#include "settings/saversettings.h"

class QCheckBox;
class QLabel;
class QSpinBox;

namespace qel::editor {

class IdleServiceOptions : public QGroupBox {
public:
    static constexpr int kMinMinutes = 1;
    static constexpr int kMaxMinutes = 120;

    explicit IdleServiceOptions(QWidget* parent = nullptr);

    [[nodiscard]] QSpinBox* IdleMinutesEdit() const { return idleMinutes_; }
    [[nodiscard]] QCheckBox* cbLockOnResume() const { return lockOnResume_; }
    [[nodiscard]] QLabel* BlankingLabel() const { return blankingNote_; }

    void Load(const settings::SaverSettings& s);
    void Store(settings::SaverSettings& s) const;
    void SetFacts(const IdleServiceFacts& facts);

private:
    void UpdateNote();

    QSpinBox* idleMinutes_ = nullptr;
    QCheckBox* lockOnResume_ = nullptr;
    QLabel* blankingNote_ = nullptr;
    IdleServiceFacts facts_;
};

}  // namespace qel::editor
