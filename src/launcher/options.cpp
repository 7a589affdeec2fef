#include "launcher/options.h"

#include "platform/messagebox.h"
#include "platform/runtime.h"
#include "settings/clsOplIniFile.h"
#include "settings/conversions.h"

#include <array>

namespace
{

const QString kSection = QStringLiteral("トップメニュー");
const QString kUser = QStringLiteral("接続先ユーザーを保持する");
const QString kAcc = QStringLiteral("アカウント名を表示させない");
const QString kSmartMenu = QStringLiteral("メニューGUI");
const QString kDouble = QStringLiteral("二重ログインを管理する");
const QString kBackUpCheck = QStringLiteral("バックアップの確認を行う");

QString optionsFile()
{
    return platform::gsAppPath() + QStringLiteral("\\Topmenu.ini");
}

qint64 readNumber(const clsOplIniFile& ini, const QString& key)
{
    return vbVal(rtrim(csCutAtNul(ini.csGetProfileString(kSection, key))));
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

bool vLoadOptions(LauncherOptions* options)
{
    clsOplIniFile ini;
    if (ini.iInit(optionsFile()) != 0)
        return false;
    options->mnUser = readNumber(ini, kUser) == 1;
    options->mnAcc = readNumber(ini, kAcc) == 1;
    options->mnSmartMenu = readNumber(ini, kSmartMenu) == 1;
    options->mnDouble = readNumber(ini, kDouble) == 1;
    // Stored inverted: 1 switches the reminder off, so a missing key leaves it on.
    options->mnBackUpCheck = readNumber(ini, kBackUpCheck) != 1;
    return true;
}

void vSaveOptions(const LauncherOptions& options)
{
    clsOplIniFile ini;
    if (ini.iInit(optionsFile()) != 0)
        return;
    const std::array<std::pair<QString, QString>, 5> values{{
        {kUser, flag(options.mnUser)},
        {kAcc, flag(options.mnAcc)},
        {kSmartMenu, flag(options.mnSmartMenu)},
        {kDouble, flag(options.mnDouble)},
        {kBackUpCheck, flag(!options.mnBackUpCheck)},
    }};
    for (const auto& [key, value] : values) {
        if (ini.iWriteProfileString(kSection, key, value) == -1) {
            platform::msgBox(QStringLiteral("Error:") + ini.csErrMsg(), QString(), platform::MsgIcon::None,
                             platform::MsgButtons::Ok);
            return;
        }
    }
}
