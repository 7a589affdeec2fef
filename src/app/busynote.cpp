#include "busynote.h"

#include "platform/messagebox.h"
#include "platform/runtime.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

void BusyNote::begin()
{
    if (waits_++ > 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    repaint(); // the cursor shows at once, not after the wait
}

void BusyNote::tick(qint64 waitedMs)
{
    if (waits_ == 0)
        return;
    if (!note_ && waitedMs >= kNoteAfterMs) {
        auto* note = new QDialog(QApplication::activeWindow(),
                                 Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        note->setObjectName(QStringLiteral("frmDbWait"));
        note->setWindowTitle(platform::kProgramTitle);
        note->setWindowModality(Qt::ApplicationModal);
        auto* text =
            new QLabel(QStringLiteral("データベースの応答を待っています。\n"
                                      "他の端末がデータベースを使用中です。しばらくお待ちください。"),
                       note);
        text->setObjectName(QStringLiteral("lblDbWait"));
        text->setMargin(12);
        auto* layout = new QVBoxLayout(note);
        layout->addWidget(text);
        note_ = note;
        note->show();
    }
    repaint();
}

void BusyNote::end()
{
    if (waits_ == 0 || --waits_ > 0)
        return;
    if (note_) {
        note_->hide();
        delete note_;
    }
    QApplication::restoreOverrideCursor();
}

// Paints what waits to be painted; keys and clicks stay queued for after the wait, so
// nothing the user does can start another database step inside this one.
void BusyNote::repaint()
{
    if (repainting_)
        return;
    repainting_ = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repainting_ = false;
}

void installBusyNote()
{
    static BusyNote note;
    platform::runtime().busy = &note;
}
