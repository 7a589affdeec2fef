#include "basefixture.h"

#include "bases/kyoten.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QString kTemplateIni =
    "[環境]\r\n環境名=\r\n[PATH]\r\nSYSTEM_SYS=\\SYS\r\nSYSTEM_DATA=\\DATA\\Data0000\r\n";
const QString kFormatIni = "[全施術者予定表]\r\n全施術者予定表=週間全予定表30.wfd\r\n";
} // namespace

BaseInstallation::BaseInstallation(int fcKinou)
{
    createDatabase();
    writeAdodbIni();
    writeFile("Massage.ini", QStringLiteral("[システム]\r\nFC機能=%1\r\n").arg(fcKinou));
    for (const QString folder : {"drive_c/KVX/MASTER/", ""}) {
        writeFile(folder + "Massage0000.ini", kTemplateIni);
        writeFile(folder + "DATA/DATA0000/帳票Format.ini", kFormatIni);
        writeFile(folder + "DATA/DATA0000/患者管理設定.ini", "[設定]\r\n初期=1\r\n");
    }
}

void BaseInstallation::addKyoten(int cd, int eb, const QString& name, int usedFlg) const
{
    exec(QStringLiteral(
             "INSERT INTO KYOTEN VALUES (%1, %2, 0, (SELECT cAreaName FROM KYOTEN WHERE iKyotenCd = "
             "%1 AND iKyotenEb = 0), '%3', '', 0, '', 0, '', %4); UPDATE KYOTEN SET iUsedFlg = 1 "
             "WHERE iKyotenCd = %1 AND iKyotenEb = 0")
             .arg(QString::number(cd), QString::number(eb), name, QString::number(usedFlg)));
}

void BaseInstallation::fillBaseRows(int cd, int eb) const
{
    // The tables whose key has one more column get it too.
    const QMap<QString, QString> keys = {
        {"CORP", ", nIDNo"}, {"STAFF", ", nIDNo"}, {"RIYOUSHA", ", nIDNo"}, {"HOLIDAY", ", nDate"}};
    QString sql;
    for (const QString& table : perBaseTables())
        if (table != "KYOTEN")
            sql += QStringLiteral("INSERT INTO [%1] (iKyotenCd, iKyotenEb%2) VALUES (%3, %4%5);\n")
                       .arg(table, keys.value(table), QString::number(cd), QString::number(eb),
                            keys.contains(table) ? ", 20240101" : "");
    exec(sql);
}

int BaseInstallation::baseRowCount(int cd, int eb) const
{
    QStringList counts;
    for (const QString& table : perBaseTables())
        counts << QStringLiteral("(SELECT COUNT(*) FROM [%1] WHERE iKyotenCd = %2 AND iKyotenEb = %3)")
                      .arg(table, QString::number(cd), QString::number(eb));
    return scalar("SELECT " + counts.join(" + ")).toInt();
}

QString BaseInstallation::kyotenRow(int cd, int eb) const
{
    return scalar(
        QStringLiteral("SELECT iKyotenCd || '|' || iKyotenEb || '|' || iType || '|' || cAreaName || '|' || "
                       "cKyotenName || '|' || cComment || '|' || iLoginID || '|' || cLoginPass || '|' || "
                       "iAdminID || '|' || cAdminPass || '|' || iUsedFlg FROM KYOTEN WHERE iKyotenCd = %1 "
                       "AND iKyotenEb = %2")
            .arg(QString::number(cd), QString::number(eb)));
}

QString BaseInstallation::areaFlag(int cd) const
{
    return kyotenRow(cd, 0).section('|', -1); // the area's row
}

void BaseInstallation::writeKyotenFiles(const QString& nnnn) const
{
    writeFile("Massage" + nnnn + ".ini", "[環境]\r\n環境名=x\r\n");
    writeFile("DATA/Data" + nnnn + "/帳票Format.ini", kFormatIni);
    writeFile("DATA/Data" + nnnn + "/sub/memo.txt", "memo\r\n");
}

// An administrator could delete anything: the folder is made immutable then.
Undeletable::Undeletable(const QString& path) : path(path), immutable(::geteuid() == 0)
{
    ok = immutable ? QProcess::execute("chattr", {"+i", path}) == 0
                   : ::chmod(QFile::encodeName(path).constData(), 0555) == 0;
}

Undeletable::~Undeletable()
{
    if (ok && immutable)
        QProcess::execute("chattr", {"-i", path});
    else if (ok)
        ::chmod(QFile::encodeName(path).constData(), 0755);
}
