#pragma once

#include "platform/busynotifier.h"

#include <QPointer>

class QDialog;

// What the user sees while a statement waits for another terminal's lock: the wait cursor
// at once and, after about two seconds, a small modal note that TopMenu is waiting for the
// database. Windows repaint while it waits; the user's keys and clicks wait until the
// statement is done (the command timeout still ends the wait with its message).
class BusyNote : public platform::BusyNotifier
{
public:
    void begin() override;
    void tick(qint64 waitedMs) override;
    void end() override;

    // The note, while it is shown (objectName "frmDbWait").
    QDialog* note() const { return note_; }

    static constexpr qint64 kNoteAfterMs = 2000;

private:
    void repaint();

    QPointer<QDialog> note_;
    int waits_ = 0; // a wait may begin inside another, from a repaint
    bool repainting_ = false;
};

// Installs one note for the program's database waits.
void installBusyNote();
