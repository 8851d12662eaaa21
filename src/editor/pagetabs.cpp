#include "editor/pagetabs.h"

#include <QShortcutEvent>

namespace qel::editor {

bool PageTabs::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut) {
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (shortcut->isAmbiguous()) {
            emit sharedMnemonic(shortcut->key());
            return true;
        }
    }
    return QTabBar::event(event);
}

}  // namespace qel::editor
