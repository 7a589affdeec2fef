#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace desktop
{

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

namespace
{

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The buttons in their order on the box; the first is the default, as the suite's boxes
// have it.
QList<QMessageBox::StandardButton> toQt(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OkCancel:
        return {QMessageBox::Ok, QMessageBox::Cancel};
    case MsgButtons::YesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case MsgButtons::YesNoCancel:
        return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case MsgButtons::RetryCancel:
        return {QMessageBox::Retry, QMessageBox::Cancel};
    case MsgButtons::Ok:
        break;
    }
    return {QMessageBox::Ok};
}

} // namespace

MsgAnswer QtMessageBoxes::show(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(toQt(icon), title.isEmpty() ? platform::kProgramTitle : title, text,
                    QMessageBox::NoButton, QApplication::activeWindow());
    const QList<QMessageBox::StandardButton> list = toQt(buttons);
    for (QMessageBox::StandardButton b : list)
        box.addButton(b);
    box.setDefaultButton(list.first());
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    default:
        break;
    }
    // Closed without a button: the box's way out.
    if (list.contains(QMessageBox::Cancel))
        return MsgAnswer::Cancel;
    return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

} // namespace desktop
