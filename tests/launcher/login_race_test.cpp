#include "../tools/programs.h"
#include "installation.h"
#include "odbcdrivers.h"

#include <QRegularExpression>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Eight launchers log in on one account at once, double-login control on, 200 rounds each,
// on the embedded engine and through ODBC: one session at a time, never two (no update of
// ACCOUNT lost to another launcher's), and no failure box (a lock is waited for, never shown).
TEST(LoginRace, EightLaunchersNeverShareOneAccount)
{
    for (const bool odbc : {false, true}) {
        SCOPED_TRACE(odbc ? "ODBC" : "embedded");
        if (odbc && !odbcTestDrivers()) {
            std::printf("no SQLite ODBC driver: the embedded engine only\n");
            continue;
        }
        TestInstallation inst;
        inst.createDatabase();
        inst.writeAdodbIni();
        inst.exec("INSERT INTO ACCESS_LEVEL (iAccessLevel, cJobName, iJobCode, iJobFlg) VALUES (5, "
                  "'スタッフ', 1, 1)");
        inst.exec("INSERT INTO ACCOUNT (cLoginId, cLoginPass, iAccessLevel, iKubun, iStatus, cAreaWord) "
                  "VALUES ('shared', 'pw', 5, 1, 0, '1301')");
        if (odbc) {
            useOdbcDriver(inst, kSqliteOdbcDriver);
            inst.writeFile("adodb.ini", "[接続情報]\r\n接続情報=" + sqliteOdbcConnectionString() + "\r\n");
        }

        std::vector<std::unique_ptr<QProcess>> launchers;
        for (int i = 0; i < 8; ++i) {
            auto p = std::make_unique<QProcess>();
            start(*p, binDir(), "login_race", {inst.path(), "shared", "pw", "200"});
            launchers.push_back(std::move(p));
        }
        int sessions = 0, refused = 0;
        static const QRegularExpression counts(
            "sessions=(\\d+) refused=(\\d+) overlaps=(\\d+) errors=(\\d+)");
        for (auto& p : launchers) {
            ASSERT_TRUE(p->waitForFinished(300000));
            const QString out = QString::fromUtf8(p->readAllStandardOutput());
            const QRegularExpressionMatch m = counts.match(out);
            ASSERT_TRUE(m.hasMatch()) << out.toStdString() << p->readAllStandardError().toStdString();
            EXPECT_EQ(m.captured(3), "0") << "two sessions of one account at once";
            EXPECT_EQ(m.captured(4), "0") << p->readAllStandardError().toStdString();
            EXPECT_EQ(p->exitCode(), 0);
            sessions += m.captured(1).toInt();
            refused += m.captured(2).toInt();
        }
        EXPECT_EQ(sessions + refused, 1600);
        EXPECT_GT(sessions, 0);

        QFile::remove(inst.file("SqlEngine.ini")); // the stored status, through the embedded engine
        EXPECT_EQ(inst.scalar("SELECT iStatus FROM ACCOUNT WHERE cLoginId = 'shared'"), "0");
    }
}
