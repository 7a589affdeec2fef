#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

struct tSetupData;
struct tKyoten;

// The save of the first-time setup: what the wizard collected in state().gtSetupData goes
// into the tables and settings files of the base in state().gtKyoten. Each database step
// opens its own connection, reports its own failures ("<name>() でエラー", CR LF, the
// cause) and returns 0, or -1 on failure.
int iDataSaveCorp();
int iDataSaveCorpSub();
int iDataSaveStaff();
int iDataSaveRiyousha();
short iDataCallenderCorp();
// 患者管理設定.ini of the base's data folder, section 施術期間.
void vSetIniFile_Riyousha(short iHenkeiFlg);
// [実績管理] 実績運用タイプ of QmapUser.ini in the program folder.
void vSetIniFile_QMAP(short iJissekiType);

// The whole save of the final page, step by step; a failed step asks whether to go on.
// False when the user stopped it. Until it has ended, the save is recorded in the program
// folder (setupjournal.h), so that a launcher started after a crash can finish it.
bool saveSetupData();
// Runs a recorded save that did not end again, for its base and with its data; rows of that
// save already stored are neither doubled nor reported. False when there is none,
// the user stopped it, or a launcher of this machine is saving it now.
bool finishSetupSave();
// A launcher of this machine is saving a setup now.
bool setupSaveRunning();

// Tutorial.kvx in the program folder: the one line "[tutorial]= 1".
bool writeTutorialMarker();

// The statements, as the steps send them.
QString corpCheckSql(short cd, short eb);
QString corpInsertSql(const tSetupData& data, short cd, short eb);
QString corpSubCheckSql(short cd, short eb);
QString corpSubInsertSql(const tSetupData& data, short cd, short eb);
QString staffCheckSql(short cd, short eb, qint64 id);
QString staffInsertSql(short cd, short eb, qint64 id, const QString& name);
QString riyoushaCheckSql(short cd, short eb, qint64 storedId);
QString riyoushaInsertSql(short cd, short eb, qint64 storedId, const QString& name);
QString holidayDeleteSql(int year, short cd, short eb);
QString holidayInsertSql(short cd, short eb, const QDate& day);
// The days of the year the holiday rule makes holidays (1 Saturday and Sunday, 2 Saturday,
// 3 Sunday).
QList<QDate> holidays(int year, short rule);

// A postal code as the office row keeps it: the characters filled from the right into
// "&&&-&&&&" (seven digits "1000001" become "100-0001"); a hyphen typed is not counted.
QString corpPostalCode(const QString& code);
