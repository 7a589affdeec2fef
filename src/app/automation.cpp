#include "automation.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaEnum>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <memory>

namespace automation
{
namespace
{

QObject* findByName(const QString& name)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == name)
            return top;
        if (auto* w = top->findChild<QWidget*>(name))
            return w;
        if (auto* a = top->findChild<QAction*>(name))
            return a;
    }
    return nullptr;
}

// Answers armed for the coming message boxes, clicked by a polling timer.
class Answers : public QObject
{
public:
    void arm(QMessageBox::StandardButton button)
    {
        pending_.push_back(button);
        if (!timer_) {
            timer_ = new QTimer(this);
            timer_->setInterval(5);
            connect(timer_, &QTimer::timeout, this, &Answers::poll);
        }
        timer_->start();
    }

    // A message box is up and an armed answer is about to close it.
    bool answering() const
    {
        return !pending_.empty() && qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
    }

private:
    void poll()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || pending_.empty())
            return;
        const QMessageBox::StandardButton wanted = pending_.front();
        pending_.pop_front();
        if (pending_.empty())
            timer_->stop();
        QAbstractButton* button = box->button(wanted);
        if (!button) {
            for (QAbstractButton* b : box->buttons()) {
                if (box->standardButton(b) == wanted)
                    button = b;
            }
        }
        if (button)
            button->click();
        else
            qWarning("automation: the message box has no button %d", int(wanted));
    }

    std::deque<QMessageBox::StandardButton> pending_;
    QTimer* timer_ = nullptr;
};

Answers& answers()
{
    static Answers* a = new Answers; // lives as long as the program
    return *a;
}

int keyCode(const QString& name)
{
    bool ok = false;
    const int key = QMetaEnum::fromType<Qt::Key>().keyToValue(("Key_" + name).toLatin1().constData(), &ok);
    return ok ? key : 0;
}

void sendKey(QWidget* widget, int key)
{
    widget->setFocus(Qt::OtherFocusReason);
    // A key bound to an action of the window goes to the action, as the shortcut map would
    // route a real key press.
    const QKeySequence sequence(key);
    for (QAction* action : widget->window()->findChildren<QAction*>()) {
        if (action->isEnabled() && action->shortcut() == sequence) {
            action->trigger();
            return;
        }
    }
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

void fail(const QString& step, const char* why)
{
    qWarning("automation: %s: %s", qPrintable(step), why);
}

void runStep(const QString& step)
{
    const int colon = step.indexOf(QLatin1Char(':'));
    const QString verb = step.left(colon).trimmed();
    const QString rest = colon < 0 ? QString() : step.mid(colon + 1);
    const int eq = rest.indexOf(QLatin1Char('='));
    const QString name = (eq < 0 ? rest : rest.left(eq)).trimmed();
    const QString value = eq < 0 ? QString() : rest.mid(eq + 1);

    if (verb == QLatin1String("answer")) {
        static const QHash<QString, QMessageBox::StandardButton> buttons{
            {QStringLiteral("Ok"), QMessageBox::Ok},
            {QStringLiteral("Yes"), QMessageBox::Yes},
            {QStringLiteral("No"), QMessageBox::No},
            {QStringLiteral("Cancel"), QMessageBox::Cancel}};
        if (!buttons.contains(name))
            return fail(step, "unknown answer");
        answers().arm(buttons.value(name));
        return;
    }

    QObject* target = findByName(name);
    if (!target)
        return fail(step, "no such widget");

    if (verb == QLatin1String("set")) {
        if (auto* edit = qobject_cast<QLineEdit*>(target))
            edit->setText(value);
        else if (auto* combo = qobject_cast<QComboBox*>(target))
            combo->setCurrentText(value);
        else
            fail(step, "not a text field");
    } else if (verb == QLatin1String("click")) {
        if (auto* button = qobject_cast<QAbstractButton*>(target))
            button->click();
        else if (auto* action = qobject_cast<QAction*>(target))
            action->trigger();
        else
            fail(step, "not a button or action");
    } else if (verb == QLatin1String("key")) {
        auto* widget = qobject_cast<QWidget*>(target);
        const int key = keyCode(value.trimmed());
        if (!widget || key == 0)
            return fail(step, "not a widget or unknown key");
        sendKey(widget, key);
    } else if (verb == QLatin1String("type")) {
        auto* widget = qobject_cast<QWidget*>(target);
        if (!widget)
            return fail(step, "not a widget");
        // Character by character, each key with its text, as a keyboard delivers them.
        widget->setFocus(Qt::OtherFocusReason);
        for (const QChar c : value) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(widget, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(widget, &release);
        }
    } else if (verb == QLatin1String("select")) {
        auto* list = qobject_cast<QAbstractItemView*>(target);
        bool ok = false;
        const int row = value.trimmed().toInt(&ok);
        if (!list || !list->model() || !ok)
            return fail(step, "not a list or bad row");
        list->setCurrentIndex(list->model()->index(row, 0));
    } else if (verb == QLatin1String("popup")) {
        auto* list = qobject_cast<QAbstractItemView*>(target);
        bool ok = false;
        const int row = value.trimmed().toInt(&ok);
        if (!list || !list->model() || !ok)
            return fail(step, "not a list or bad row");
        QWidget* area = list->viewport();
        const QModelIndex index = list->model()->index(row, 0);
        const QPoint pos = index.isValid() ? list->visualRect(index).center()
                                           : QPoint(area->width() - 2, area->height() - 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, area->mapToGlobal(pos));
        QCoreApplication::sendEvent(area, &event);
        // The menu's entries keep the state it gave them; a click step triggers one.
        if (QWidget* menu = QApplication::activePopupWidget())
            menu->close();
    } else {
        fail(step, "unknown action");
    }
}

// The widget of a wait step is there and shown.
bool shown(const QString& step)
{
    const QString name = step.mid(step.indexOf(QLatin1Char(':')) + 1).trimmed();
    auto* widget = qobject_cast<QWidget*>(findByName(name));
    return widget && widget->isVisible();
}

void runFrom(std::shared_ptr<const QStringList> steps, int index)
{
    if (index >= steps->size())
        return;
    // The steps after a box wait until its armed answer has closed it, as a user would.
    if (answers().answering()) {
        QTimer::singleShot(5, qApp, [steps, index] { runFrom(steps, index); });
        return;
    }
    if (steps->at(index).startsWith(QLatin1String("wait:"))) {
        // Looked at again shortly until the window opens; the steps after it wait too.
        if (shown(steps->at(index)))
            QTimer::singleShot(0, qApp, [steps, index] { runFrom(steps, index + 1); });
        else
            QTimer::singleShot(20, qApp, [steps, index] { runFrom(steps, index); });
        return;
    }
    // The next step is queued before this one runs: a step that opens a modal box keeps
    // the chain going inside the box's own event loop.
    QTimer::singleShot(0, qApp, [steps, index] { runFrom(steps, index + 1); });
    runStep(steps->at(index));
}

} // namespace

QStringList stepsFromEnvironment()
{
    if (!qEnvironmentVariableIsSet("TOPMENU_E2E_STEPS"))
        return {};
    QStringList steps;
    for (const QString& s : qEnvironmentVariable("TOPMENU_E2E_STEPS").split(QLatin1Char(';'))) {
        if (!s.trimmed().isEmpty())
            steps << s.trimmed();
    }
    return steps;
}

void start(const QStringList& steps)
{
    if (steps.isEmpty())
        return;
    auto shared = std::make_shared<const QStringList>(steps);
    QTimer::singleShot(0, qApp, [shared] { runFrom(shared, 0); });
}

} // namespace automation
