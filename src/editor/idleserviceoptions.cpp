#include "editor/idleserviceoptions.h"

#include <algorithm>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qel::editor {

IdleServiceOptions::IdleServiceOptions(QWidget* parent) : QGroupBox(parent)
{
    idleMinutes_ = new QSpinBox(this);
    idleMinutes_->setObjectName(QStringLiteral("IdleMinutesEdit"));
    idleMinutes_->setRange(kMinMinutes, kMaxMinutes);
    idleMinutes_->setValue(settings::SaverSettings{}.idleMinutes);
    lockOnResume_ = new QCheckBox(tr("On resume, ask for the password"), this);
    lockOnResume_->setObjectName(QStringLiteral("cbLockOnResume"));
    blankingNote_ = new QLabel(this);
    blankingNote_->setObjectName(QStringLiteral("BlankingNote"));
    blankingNote_->setWordWrap(true);
    blankingNote_->hide();

    auto* label = new QLabel(tr("Start after:"), this);
    label->setBuddy(idleMinutes_);
    auto* wait = new QHBoxLayout;
    wait->addWidget(label);
    wait->addWidget(idleMinutes_);
    wait->addWidget(new QLabel(tr("minutes"), this));
    wait->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    layout->addLayout(wait);
    layout->addWidget(blankingNote_);
    layout->addWidget(lockOnResume_);

    connect(idleMinutes_, &QSpinBox::valueChanged, this, [this] { UpdateNote(); });
}

void IdleServiceOptions::Load(const settings::SaverSettings& s)
{
    idleMinutes_->setValue(std::clamp(s.idleMinutes, kMinMinutes, kMaxMinutes));
    lockOnResume_->setChecked(s.lockOnResume);
}

void IdleServiceOptions::Store(settings::SaverSettings& s) const
{
    s.idleMinutes = idleMinutes_->value();
    s.lockOnResume = lockOnResume_->isChecked();
}

void IdleServiceOptions::SetFacts(const IdleServiceFacts& facts)
{
    facts_ = facts;
    idleMinutes_->setEnabled(facts.serviceInUse);
    UpdateNote();
}

void IdleServiceOptions::UpdateNote()
{
    const std::string note =
        facts_.serviceInUse ? hosts::BlankingNote(facts_.blanking, idleMinutes_->value()) : std::string();
    blankingNote_->setText(QString::fromStdString(note));
    blankingNote_->setVisible(!note.empty());
}

}  // namespace qel::editor
