#pragma once

#include "installation.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

// What the window tests do as a user.

inline void click(const QWidget& w, const char* button)
{
    QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
}

// Shows the window as the active one, so that the keys reach its focus widget.
inline void showActive(QWidget& w)
{
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

// Types into the widget that has the focus, a character at a time with its text, as a
// keyboard (or input method) delivers it.
inline void typeAtFocus(const QString& text)
{
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

inline void pressAtFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// Runs `act` on the named window once it is open (the next step opens it modally).
inline void whenOpen(const char* name, std::function<void(QWidget&)> act)
{
    QTimer::singleShot(0, [name, act] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String(name) && top->isVisible())
                return act(*top);
        ADD_FAILURE() << name << " is not open";
    });
}
