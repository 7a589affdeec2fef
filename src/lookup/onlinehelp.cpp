#include "lookup/onlinehelp.h"

#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "settings/clsOplIniFile.h"
#include "settings/conversions.h"
#include "state/state.h"

#include <algorithm>

namespace
{

// The items of a text file as the suite's programs read them: an item ends at a comma or
// at a line end; an item in double quotes is taken without them and may hold commas.
QStringList readItems(const QStringList& lines)
{
    QStringList items;
    for (const QString& line : lines) {
        qsizetype pos = 0;
        const qsizetype n = line.size();
        while (pos <= n) {
            while (pos < n && line.at(pos) == QLatin1Char(' '))
                ++pos;
            QString item;
            if (pos < n && line.at(pos) == QLatin1Char('"')) {
                const qsizetype close = line.indexOf(QLatin1Char('"'), pos + 1);
                const qsizetype end = close < 0 ? n : close;
                item = line.mid(pos + 1, end - pos - 1);
                pos = line.indexOf(QLatin1Char(','), end);
            } else {
                const qsizetype comma = line.indexOf(QLatin1Char(','), pos);
                item = rtrim(line.mid(pos, (comma < 0 ? n : comma) - pos));
                pos = comma;
            }
            items << item;
            if (pos < 0)
                break;
            ++pos;
        }
    }
    return items;
}

QString reversed(const QString& text)
{
    QList<uint> codePoints = text.toUcs4();
    std::reverse(codePoints.begin(), codePoints.end());
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codePoints.constData()), codePoints.size());
}

} // namespace

short iGetHelpAddress()
{
    clsOplIniFile ini;
    if (ini.iInit(platform::gsAppPath() + QStringLiteral("\\Mirane.ver")) != 0) {
        platform::msgBox(QStringLiteral("環境ファイルの取得に失敗しました。"),
                         QStringLiteral("データ参照エラー"), platform::MsgIcon::Critical,
                         platform::MsgButtons::Ok);
        return -1;
    }
    const QString value = ini.csGetProfileString(QStringLiteral("OnlineHelp"), QStringLiteral("ADDRESS"));
    const QString trimmed = value.trimmed();
    // Only a web address is handed to the browser; the scheme letters must be lower case.
    if (!trimmed.isEmpty() && trimmed.startsWith(QStringLiteral("http"), Qt::CaseSensitive))
        state().gsHelpAddress = rtrim(csCutAtNul(value));
    else
        state().gsHelpAddress.clear();
    return 0;
}

short iGetMapAccount(QString& user, QString& password)
{
    user.clear();
    password.clear();
    QStringList lines;
    if (!textfile::readLines(platform::nativePath(platform::gsAppPath() + QStringLiteral("\\QmapUser.ini")),
                             &lines))
        return -1;
    const QString userKey = QStringLiteral("ZENRIN_USER=");
    const QString passwordKey = QStringLiteral("ZENRIN_PWD=");
    for (const QString& item : readItems(lines)) {
        if (item.startsWith(userKey))
            user = item.mid(userKey.size());
        else if (item.startsWith(passwordKey))
            password = item.mid(passwordKey.size());
    }
    return 1;
}

void vOpenOnlineHelp(short topic)
{
    // Every request starts again from Mirane.ver, so a query is never appended twice.
    if (iGetHelpAddress() == -1)
        return;

    QString query;
    QString user;
    QString password;
    if (iGetMapAccount(user, password) == 1) {
        query = QStringLiteral("?zi=") + reversed(user) + QStringLiteral("&zp=") + reversed(password);
        query += topic >= 1 ? QStringLiteral("&lk=") + QString::number(topic) : QStringLiteral("&lk=1");
    }

    if (state().gsHelpAddress.isEmpty()) {
        platform::msgBox(QStringLiteral("オンラインヘルプは現在ご利用いただけません。"),
                         QStringLiteral("機能制限中"), platform::MsgIcon::Exclamation,
                         platform::MsgButtons::Ok);
        return;
    }
    state().gsHelpAddress += query;
    platform::processes().shellOpen(state().gsHelpAddress);
}
