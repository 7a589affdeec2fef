#pragma once

#include <QString>
#include <QStringList>

// The hook the end-to-end checks drive the real program with. When the environment
// variable TOPMENU_E2E_STEPS is set, the program replays, once the launcher window is
// loaded and shown, a semicolon-separated list of generic user actions on the real widgets,
// found by objectName among all windows:
//
//   set:<name>=<text>     text of a QLineEdit or QComboBox
//   click:<name>          QAbstractButton::click() or QAction::trigger()
//   key:<name>=<key>      a key press (Qt key name without "Key_": Return, F12, ...) sent to
//                         the widget after giving it the focus; a key bound to an enabled
//                         action of its window triggers that action, as the shortcut would
//   type:<name>=<text>    the text typed into the widget key by key, after giving it the
//                         focus (the widget's own key handling and input checks apply)
//   select:<name>=<row>   current row of a list view
//   wait:<name>           holds the following steps until a widget or window of that name
//                         is shown (a page of the first-time setup, the launcher window)
//   popup:<name>=<row>    the context menu of a list view over the item of the row (over
//                         empty space for -1), closed again once it has set up its entries
//   answer:<Ok|Yes|No|Cancel>
//                         arms an answer for the next message box: once the box is the
//                         active modal window its button is clicked (answers queue up, so
//                         arm them before the step that opens the box)
//
// With TOPMENU_E2E_FROM_START set as well, the steps start with the program instead of
// once the launcher is shown, so that they can walk the first-time setup, which runs while
// the launcher loads.
//
// Steps run one per turn of the event loop, so a step may open a modal box and the next
// answer closes it. Without the variable nothing happens. A step that names no widget or
// has a bad form is reported on standard error and skipped.
namespace automation
{

// The steps of the environment variable; empty when it is unset.
QStringList stepsFromEnvironment();

// Starts replaying the steps (returns at once; the steps run from the event loop).
void start(const QStringList& steps);

} // namespace automation
