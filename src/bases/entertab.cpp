#include "bases/entertab.h"

#include <QKeyEvent>
#include <QWidget>

void EnterAsTab::watch(QWidget* field)
{
    field->installEventFilter(this);
}

bool EnterAsTab::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (event->type() == QEvent::KeyPress) {
                if (auto* w = qobject_cast<QWidget*>(watched)) {
                    if (QWidget* next = w->nextInFocusChain()) {
                        // The next control that takes the focus, as Tab would find it.
                        while (next != w && (!(next->focusPolicy() & Qt::TabFocus) || !next->isEnabled() ||
                                             !next->isVisible()))
                            next = next->nextInFocusChain();
                        next->setFocus(Qt::TabFocusReason);
                    }
                }
            }
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
