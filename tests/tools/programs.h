#pragma once

// The suite's programs as an installation runs them: copied into its folder and started there.

#include "installation.h"

#include <QProcess>

// The stand-ins work on the folder they sit in.
inline void install(const TestInstallation& inst, const QString& program)
{
    ASSERT_TRUE(QFile::copy(binDir() + '/' + program, inst.file(program))) << program.toStdString();
}

// Starts <folder>/<program> there, offscreen; a stand-in's window ends once shown unless `userCloses`.
inline void start(QProcess& p, const QString& folder, const QString& program, const QStringList& args = {},
                  bool userCloses = false)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    if (!userCloses)
        env.insert("TOPMENU_STANDIN_EXIT", "1");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    p.start(folder + '/' + program, args);
}

struct Ran {
    int code = -1; // -1: it did not end normally in time
    QString errors;
};

inline Ran run(const QString& folder, const QString& program, const QStringList& args, int seconds = 120)
{
    QProcess p;
    start(p, folder, program, args);
    const bool ended = p.waitForFinished(seconds * 1000);
    if (!ended)
        p.kill();
    return {ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardError())};
}
