#pragma once

#include "../tools/programs.h"
#include "installation.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

// The demo installation as ./run lays it out (fresh: before its first start), without the
// backup reminder, which would wait for an answer at the exit.
inline void makeDemo(const TestInstallation& inst, bool fresh = false)
{
    QStringList args{sourceDir() + "/scripts/make-demo.sh", binDir(), inst.path()};
    if (fresh)
        args << "--fresh";
    ASSERT_EQ(QProcess::execute("bash", args), 0);
    QFile::remove(inst.file("drive_c/KVX/utility/databackup.txt"));
}

// Runs the real TopMenu of the installation with the replayed steps until it ends: its exit
// code, or -1. Its output goes to TopMenu.out, a file rather than a pipe: the programs it
// starts detached inherit it and must not lose their output channel when TopMenu ends.
// A test build's TopMenu ends itself at the step named by crashAt (platform/crashpoint.h).
// start() hands this process's environment on, the replay's variables with it.
inline int runTopMenu(const TestInstallation& inst, const QString& steps, bool fromStart = false,
                      const QString& crashAt = QString())
{
    qputenv("TOPMENU_CRASH_AT", crashAt.toUtf8());
    qputenv("TOPMENU_E2E_STEPS", steps.toUtf8());
    fromStart ? qputenv("TOPMENU_E2E_FROM_START", "1") : qunsetenv("TOPMENU_E2E_FROM_START");
    QProcess p;
    p.setStandardOutputFile(inst.file("TopMenu.out"));
    p.setStandardErrorFile(inst.file("TopMenu.out"), QIODevice::Append);
    start(p, inst.path(), "TopMenu");
    const bool finished = p.waitForFinished(120000);
    if (!finished) {
        p.kill();
        p.waitForFinished();
    }
    return finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The log of a started stand-in, once it holds the text (the program runs detached).
inline QString waitForLog(const TestInstallation& inst, const QString& name, const QString& until)
{
    const QDeadlineTimer deadline(20000);
    QString text;
    while (!deadline.hasExpired() && !(text = inst.readText(name)).contains(until))
        QThread::msleep(50);
    return text;
}
