#pragma once
// The row of page tabs. A tab's mnemonic that another control of the window also uses (the tab
// "&Sounds" and the menu "&Settings" share Alt+S) is handed to the window instead of switching the
// page, so the key always does the same thing instead of alternating between the two.

#include <QKeySequence>
#include <QTabBar>

namespace qel::editor {

class PageTabs : public QTabBar {
    Q_OBJECT
public:
    explicit PageTabs(QWidget* parent = nullptr) : QTabBar(parent) {}

signals:
    void sharedMnemonic(const QKeySequence& key);

protected:
    bool event(QEvent* event) override;
};

}  // namespace qel::editor
