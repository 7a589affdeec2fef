#pragma once

#include "doubles.h"

#include <QString>
#include <QTemporaryDir>

// A program folder of its own in a temporary directory, with the doubles installed into
// the runtime and the process-wide state reset. One per test; nothing is shared.
class TestInstallation
{
public:
    TestInstallation();
    ~TestInstallation();

    QString path() const { return dir_.path(); }
    // path() + "/" + relative (relative in native form).
    QString file(const QString& relative) const;

    // Writes a CP932 file (the text as given; use \r\n for line ends). Creates folders.
    void writeFile(const QString& relative, const QString& text) const;
    void writeBytes(const QString& relative, const QByteArray& bytes) const;
    QByteArray readBytes(const QString& relative) const;
    QString readText(const QString& relative) const; // CP932 decoded
    bool exists(const QString& relative) const;

    // Writes adodb.ini for the embedded database <server>/<database>.
    void writeAdodbIni(const QString& server = QStringLiteral("PC01\\MIRANE"),
                       const QString& database = QStringLiteral("MIRANE45")) const;
    // Creates the suite's database for the server from installation/attach.SQL (and, when
    // withDemo, installation/demo.SQL), as the osql stand-in does.
    void createDatabase(const QString& server = QStringLiteral("PC01\\MIRANE"), bool withDemo = false) const;
    // Runs SQL on the embedded database (fails the test on error).
    void exec(const QString& sql, const QString& server = QStringLiteral("PC01\\MIRANE"),
              const QString& database = QStringLiteral("MIRANE45")) const;
    // The first column of the first row of a query, as text ("" when none).
    QString scalar(const QString& sql, const QString& server = QStringLiteral("PC01\\MIRANE"),
                   const QString& database = QStringLiteral("MIRANE45")) const;

    FakeMessageBoxes messages;
    FakeProcesses processes;
    FixedClock clock;
    FixedHost host;
    ThrowingTerminator terminator;

private:
    QTemporaryDir dir_;
};

// The source tree (for installation/ files) and the folder of the built programs.
QString sourceDir();
QString binDir();
