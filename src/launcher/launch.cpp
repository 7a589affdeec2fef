#include "launcher/launch.h"

#include "launcher/statefiles.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/runtime.h"
#include "settings/clsOplIniFile.h"
#include "state/state.h"

#include <QFileInfo>

using platform::MsgIcon;

namespace
{

QString appFile(const QString& name)
{
    return platform::gsAppPath() + QLatin1Char('\\') + name;
}

bool shellWithArg(const QString& command, short number)
{
    return platform::processes().startDetached(command + QLatin1Char(' ') + QString::number(number),
                                               platform::WindowStyle::NormalFocus);
}

bool shellWithArgs(const QString& command, short first, short second)
{
    return platform::processes().startDetached(command + QLatin1Char(' ') + QString::number(first) +
                                                   QLatin1Char(' ') + QString::number(second),
                                               platform::WindowStyle::NormalFocus);
}

bool fail(const QString& text, const QString& title)
{
    platform::msgBox(text, title, MsgIcon::Critical);
    return false;
}

bool selectionError()
{
    return fail(QStringLiteral("拠点のメニューが起動できません。"), QStringLiteral("選択エラー"));
}

bool environmentError()
{
    return fail(QStringLiteral("該当する拠点の環境が存在しません。"), QStringLiteral("環境エラー"));
}

bool buildError()
{
    return fail(QStringLiteral("環境ファイル更新中にエラーが発生しました。"), QStringLiteral("構築エラー"));
}

} // namespace

bool checkAreaAccess(const tLoginUser& user, const QString& baseId)
{
    const QString area = user.AreaWord.trimmed();
    const qsizetype count = area.size() / 4;
    if (count == 0 || area.isEmpty()) {
        platform::msgBox(QStringLiteral("アクセス権限が設定されていません。"),
                         QStringLiteral("アクセス権限設定エラー"), MsgIcon::Exclamation);
        return false;
    }
    bool allowed = false;
    for (qsizetype i = 0; i < count && !allowed; ++i)
        allowed = area.mid(i * 4, 4) == baseId || area == QStringLiteral("9999");
    if (user.AccessLevel >= 10 || allowed)
        return true;
    platform::msgBox(QStringLiteral("選択された拠点へアクセスする権限がありません。"),
                     QStringLiteral("アクセス不可"), MsgIcon::Exclamation);
    return false;
}

bool launchKyoten(LaunchSource source, short position, short dbIndex)
{
    State& s = state();
    const tKyoten& k = s.gtKyoten;
    // Branch 0 is an area, never a base: nothing launchable was selected.
    if (k.iKyotenEb == 0)
        return selectionError();

    const QString command = appFile(QStringLiteral("Main.exe"));
    const QString environment = k.cAreaName + QStringLiteral("－") + k.cKyotenName;
    const QString id = baseId(k.iKyotenCd, k.iKyotenEb);

    if (!checkAreaAccess(s.gtLoginUser, id))
        return false;

    // Massage.ini is replaced in one step, under its lock, by the base's file with the
    // hand-off keys already written into it: the suite's other programs read it at any time
    // and must never find it missing, half written, or without the keys of this launch.
    const QString massage = appFile(QStringLiteral("Massage.ini"));
    const QString baseFile = appFile(QStringLiteral("Massage") + id + QStringLiteral(".ini"));
    if (!QFileInfo(platform::nativePath(baseFile)).isFile())
        return environmentError();
    QString mapUser;
    QString mapPassword;
    iReadQmapUser(mapUser, mapPassword);
    clsOplIniFile ini;
    ini.iInit(massage); // the replace creates the file when it is missing
    // A replace that reports 0 left the file as it was: Main.exe would then open with the
    // previous hand-off, so it counts as a failure as well.
    const short written = ini.iWriteProfileStrings(
        {
            {QStringLiteral("運用拠点"), QStringLiteral("BASEID"), id},
            {QStringLiteral("環境"), QStringLiteral("環境名"), environment},
            {QStringLiteral("権限"), QStringLiteral("JOBCODE"), s.gtLoginUser.AccessJobNo},
            {QStringLiteral("QMAP"), QStringLiteral("ZENRIN_USER"), mapUser},
            {QStringLiteral("QMAP"), QStringLiteral("ZENRIN_PWD"), mapPassword},
        },
        baseFile);
    if (written == -1) {
        platform::msgBox(QStringLiteral("Error:") + ini.csErrMsg(), QString(), MsgIcon::None,
                         platform::MsgButtons::Ok);
        return false;
    }
    if (written == 0)
        return buildError();

    // The text list keeps no position across a launch.
    iAreaSelMake(s.giSelKyotenCd, source == LaunchSource::TextList ? short(0) : position, dbIndex);

    const QString commandText = command + QLatin1Char(' ') + environment;
    const bool started = source == LaunchSource::PopupMenu ? shellWithArg(commandText, 11)
                                                           : shellWithArgs(commandText, 11, 69);
    if (!started)
        return buildError();
    return true;
}

void vShellWithArg(const QString& command, short number)
{
    shellWithArg(command, number);
}

void vShellWithArgs(const QString& command, short first, short second)
{
    shellWithArgs(command, first, second);
}
