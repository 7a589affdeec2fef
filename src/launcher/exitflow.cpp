#include "launcher/exitflow.h"

#include "launcher/statefiles.h"
#include "platform/clock.h"
#include "platform/cmdline.h"
#include "platform/messagebox.h"
#include "platform/process.h"
#include "platform/runtime.h"
#include "setup/frmBackUpCheck.h"
#include "state/state.h"

#include <QApplication>

namespace
{

const QString kDateFormat = QStringLiteral("yyyy/MM/dd");
const QString kUtility = QStringLiteral("C:\\KVX\\utility\\TrtUtility45.exe");

// The backup reminder and the log-off script belong to particular kinds of installation.
bool isStandAloneProduct(short type)
{
    return type == 0 || type == 1;
}
bool isTerminalServerProduct(short type)
{
    return type == 10 || type == 20;
}

// Exists as the process seam will run it (on POSIX "X.exe" runs "X", "X.bat" runs "X.sh").
bool programExists(const QString& program)
{
    return !platform::resolveProgram(program).isEmpty();
}

} // namespace

bool isBackupDue(const QString& lastBackup, const QDate& today)
{
    const QDate last = QDate::fromString(lastBackup, kDateFormat);
    if (!last.isValid() || !today.isValid())
        return false;
    // addMonths keeps the day where it can and otherwise takes the month's last day
    // (2024/01/31 gives 2024/02/29).
    const QString due = last.addMonths(1).toString(kDateFormat);
    return today.toString(kDateFormat) > due;
}

void runBackupReminder(bool backupCheckOption)
{
    if (!isStandAloneProduct(state().giProductType) || !backupCheckOption)
        return;
    const QString last = csGetBackupDate();
    if (last.isEmpty())
        return;
    if (!isBackupDue(last, platform::clock().today()))
        return;

    {
        frmBackUpCheck dialog(QApplication::activeWindow());
        dialog.setLastDate(QDate::fromString(last, kDateFormat));
        dialog.exec();
    }
    // Only the answer of a dialog actually shown starts the utility; without the reminder
    // the dialog result still holds the start-up value and means nothing here.
    if (state().giDialogResult < 0)
        return;
    if (programExists(kUtility)) {
        platform::processes().startDetached(kUtility, platform::WindowStyle::NormalFocus);
    } else {
        platform::msgBox(QStringLiteral("ユーティリティを起動できません。"), QStringLiteral("起動エラー"),
                         platform::MsgIcon::Critical, platform::MsgButtons::Ok);
    }
}

void runClosingSequence(short position, short dbIndex)
{
    // The map companion started with the launcher goes with it; nothing is posted when its
    // window is not there.
    platform::processes().postClose(QStringLiteral("ThunderRT6FormDC"), QStringLiteral("QmapLogin"));
    iAccountLogout(state().gtLoginUser.LoginId, 0);
    vDeleteLoginUser();
    // The login record is kept, so [LastLoginUser] offers the same id at the next start.
    iAreaSelMake(state().giSelKyotenCd, position, dbIndex);
    if (isTerminalServerProduct(state().giProductType)) {
        const QString logoff = platform::gsAppPath() + QStringLiteral("\\logoff.bat");
        if (programExists(logoff))
            platform::processes().startDetached(logoff, platform::WindowStyle::MinimizedNoFocus);
    }
}
