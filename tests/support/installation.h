#pragma once

#include "doubles.h"
#include "platform/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

// A program folder of its own in a temporary directory, with the doubles installed into
// the runtime and the process-wide state reset. One per test; nothing is shared.
class TestInstallation
{
public:
    TestInstallation();
    ~TestInstallation();

    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const { return dir_.path() + u'/' + relative; }

    // Writes a CP932 file (the text as given; use \r\n for line ends). Creates folders.
    void writeFile(const QString& relative, const QString& text) const
    {
        writeBytes(relative, textfile::encode(text));
    }
    void writeBytes(const QString& relative, const QByteArray& bytes) const;
    QByteArray readBytes(const QString& relative) const
    {
        QFile f(file(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString readText(const QString& relative) const { return textfile::decode(readBytes(relative)); }
    bool exists(const QString& relative) const { return QFileInfo::exists(file(relative)); }

    // Writes adodb.ini for the embedded database <server>/<database>.
    void writeAdodbIni(const QString& server = QStringLiteral("PC01\\MIRANE"),
                       const QString& database = QStringLiteral("MIRANE45")) const;
    // Creates the suite's database from installation/attach.SQL (and demo.SQL) as osql does.
    void createDatabase(const QString& server = QStringLiteral("PC01\\MIRANE"), bool withDemo = false) const;
    // Runs SQL on the embedded database (fails the test on error).
    void exec(const QString& sql, const QString& server = QStringLiteral("PC01\\MIRANE"),
              const QString& database = QStringLiteral("MIRANE45")) const;
    // The first column of the first row of a query, as text ("" when none).
    QString scalar(const QString& sql, const QString& server = QStringLiteral("PC01\\MIRANE"),
                   const QString& database = QStringLiteral("MIRANE45")) const;

    // Copies installation/<relative> of the source tree in, made CP932 with CR LF.
    void installFile(const QString& relative) const;
    // wfrfv10 and wfrimg10, the layouts in SYS and the receipt samples in TMP/領収書イメージ.
    void installReportEngine() const;
    // The text of a PDF as pdftotext gives it (the wave dash it gives as U+301C, taken back).
    QString pdfText(const QString& relative) const;

    // Writes a small PNG picture (a wallpaper or an icon). Creates folders.
    void writePicture(const QString& relative) const
    {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        writeBytes(relative, QByteArray());
        ASSERT_TRUE(image.save(file(relative), "PNG"));
    }
    QStringList commandLines() const
    {
        QStringList lines;
        for (const StartedProcess& p : processes.started)
            lines << p.commandLine;
        return lines;
    }
    // Expects a box shown last with the text and title and, when given, the icon and buttons.
    void expectLastBox(const QString& text, const QString& title, std::optional<platform::MsgIcon> icon = {},
                       std::optional<platform::MsgButtons> buttons = {}) const
    {
        ASSERT_FALSE(messages.shown.empty()) << text.toStdString();
        const ShownMessage& m = messages.shown.back();
        EXPECT_EQ(m.text, text);
        EXPECT_EQ(m.title, title);
        EXPECT_EQ(m.icon, icon.value_or(m.icon));
        EXPECT_EQ(m.buttons, buttons.value_or(m.buttons));
    }

    FakeMessageBoxes messages;
    FakeProcesses processes;
    FixedClock clock;
    FixedHost host;
    ThrowingTerminator terminator;

private:
    QTemporaryDir dir_;
};

// The child of a window with the object name (a test failure when there is none).
template <class T> T* child(const QObject& window, const char* name)
{
    T* c = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

// The error text a database call left when it failed (status -1), else a note of its status.
template <class Db> QString failure(int status, const Db& db)
{
    return status == -1 ? db.sErrMsg : QStringLiteral("status %1").arg(status);
}

// The source tree (for installation/ files) and the folder of the built programs.
QString sourceDir();
QString binDir();
