#include "installation.h"
#include "launcher/alteration.h"
#include "launcher/cls_AnoExeKickV2.h"
#include "launcher/startup.h"
#include "state/state.h"

#include <QDir>
#include <gtest/gtest.h>

using platform::MsgIcon;

TEST(Startup, AdodbIniAndExecCmd)
{
    // The whole file and the rebuild's osql call: TopMenuWindow.FirstRunRebuildsTheDatabaseOrEnds.
    TestInstallation inst;
    inst.writeFile("ServerName.kvx", QStringLiteral("[DBPass]= s3cret \r\n"));
    ASSERT_EQ(iAdoDbMake(QStringLiteral("SV02"), QStringLiteral("TEST")), 0);
    EXPECT_TRUE(inst.readText("adodb.ini").contains(";Data Source=SV02;Database=TEST;uid=sa;pwd=s3cret\r\n"));
    QFile::remove(inst.file("adodb.ini"));
    QDir().mkpath(inst.file("adodb.ini/x"));
    EXPECT_EQ(iAdoDbMake(QStringLiteral("PC01"), QStringLiteral("X")), -1);
    inst.expectLastBox("構成ファイル（Adodb.ini）の作成に失敗しました。\rERROR:iAdoDbMake()",
                       "ファイル作成失敗", MsgIcon::Critical);

    cls_AnoExeKickV2 kick;
    inst.processes.exitCodes.push_back(1);
    EXPECT_EQ(kick.iExecCmd(QStringLiteral("tool -x")), 0);
    EXPECT_EQ(kick.csErrStr(), QStringLiteral("起動できませんでした！\rtool -x"));
    inst.processes.failStart = true;
    EXPECT_EQ(kick.iExecCmd(QStringLiteral("tool -z")), -1);
}

TEST(Startup, VersionNotesProductTypeMapKeyAndCompanion)
{
    TestInstallation inst;
    EXPECT_TRUE(AplogRead().isEmpty());
    inst.writeFile("Mirane.ver", QStringLiteral("Ver 4.5.0\r\n"));
    EXPECT_EQ(AplogRead(), QStringLiteral("Ver 4.5.0\r\n"));
    inst.writeFile("MiranePre2.txt", QStringLiteral("二,つ目\r\n"));
    inst.writeFile("miranepre1.txt", QStringLiteral("\"一,つ目\"\r\n\r\n末尾"));
    EXPECT_EQ(AplogRead(), QStringLiteral("一,つ目\r\n\r\n末尾\r\n二\r\nつ目\r\n"));

    for (const auto& [value, type] : {std::pair{"7", 0}, {"10", 10}, {"20", 20}, {"abc", 0}}) {
        inst.writeFile("Massage.ini", QStringLiteral("ミラネタイプ=") + value + "\r\n");
        EXPECT_EQ(readProductType(), type) << value;
    }

    state().gsMapKeyStatus = QStringLiteral("1"); // the image map needs no companion
    startMapCompanion();
    state().gsMapKeyStatus.clear();
    EXPECT_THROW(startMapCompanion(), ProgramEnded);
    ASSERT_EQ(inst.messages.shown.size(), 1u);
    EXPECT_TRUE(inst.messages.shown[0].text.startsWith(QStringLiteral("起動時エラー\r\n指定されたIni（")));
    EXPECT_EQ(inst.messages.shown[0].icon, MsgIcon::Critical);
    inst.writeAdodbIni();
    startMapCompanion();
    ASSERT_EQ(inst.commandLines(), QStringList{inst.path() + "\\trtzenrin.exe"});
    EXPECT_EQ(inst.processes.started[0].style, platform::WindowStyle::MinimizedFocus);
    inst.writeFile("adodb.ini", QStringLiteral("[監視時間msec]\r\nTime = 5分\r\n"));
    startMapCompanion();
    EXPECT_EQ(inst.processes.started.size(), 1u);

    // An empty key number: BackgroundWindow.MapKeyAndSecondInstance.
    inst.writeFile("QMAPKEY.ini", QStringLiteral("[キー情報]\r\nKeyNo=K-1 \r\nStatus=0  \r\n"));
    EXPECT_EQ(iReadMapKey(), 0);
    EXPECT_EQ(state().gsMapKeyStatus, QStringLiteral("0"));
    EXPECT_EQ(inst.messages.shown.size(), 1u);
}

TEST(Startup, AlterationScriptRunsOnce)
{
    TestInstallation inst;
    EXPECT_EQ(alterationBatches({"ALTER TABLE A", "ADD x INT", "", "GO", "GO", "SELECT 1", "END", "GO"}),
              QStringList({"ALTER TABLE A ADD x INT "}));

    // No connection: the named message and no marker, so the next start tries again.
    inst.writeFile("KVX2604ALT.alt", QStringLiteral("SELECT 1\r\nGO\r\n"));
    applyAlterationOnce();
    EXPECT_FALSE(inst.exists("KVX2604ALT.kvx"));
    EXPECT_TRUE(inst.messages.shown[0].text.startsWith(QStringLiteral("iAlter2604() でエラー\r\n")));

    inst.createDatabase();
    inst.writeAdodbIni();
    inst.writeFile(
        "KVX2604ALT.alt",
        QStringLiteral("INSERT INTO KYOTEN (iKyotenCd, iKyotenEb, cKyotenName)\r\nVALUES (1, 1, '本店')\r\n"
                       "GO\r\nINSERT INTO NOSUCHTABLE VALUES (1)\r\nGO\r\n"
                       "INSERT INTO KYOTEN (iKyotenCd, iKyotenEb) VALUES (1, 3)\r\nGO\r\n"
                       "INSERT INTO KYOTEN (iKyotenCd, iKyotenEb) VALUES (1, 2)\r\n"));
    applyAlterationOnce();
    EXPECT_TRUE(inst.readBytes("KVX2604ALT.kvx").isEmpty() && inst.exists("KVX2604ALT.kvx"));
    applyAlterationOnce(); // the marker keeps it from running twice
    EXPECT_EQ(inst.scalar("SELECT COUNT(*) FROM KYOTEN WHERE iKyotenEb <> 0"), QStringLiteral("2"));
    EXPECT_EQ(inst.messages.shown.size(), 1u);
}
