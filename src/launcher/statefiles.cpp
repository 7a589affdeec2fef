#include "launcher/statefiles.h"

#include "db/recipe.h"
#include "db/sqltext.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "settings/conversions.h"
#include "state/state.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <limits>

using platform::MsgIcon;

namespace
{

const QString kDefaultDbPass = QStringLiteral("mtr4827");
const QString kLogoutLiteral = QStringLiteral("btnOk_Click() でエラー");

QString appFile(const QString& name)
{
    return platform::gsAppPath() + QLatin1Char('\\') + name;
}

bool appFileExists(const QString& name)
{
    return QFileInfo::exists(platform::nativePath(appFile(name)));
}

// The value of the first field that begins with the key (case-sensitive); false when none.
bool firstValue(const std::vector<QStringList>& lines, const QString& key, QString* value)
{
    for (const QStringList& fields : lines) {
        for (const QString& field : fields) {
            if (field.startsWith(key)) {
                *value = field.mid(key.size());
                return true;
            }
        }
    }
    return false;
}

// The value of the last field that begins with the key (case-sensitive); false when none.
bool lastValue(const std::vector<QStringList>& lines, const QString& key, QString* value)
{
    bool found = false;
    for (const QStringList& fields : lines) {
        for (const QString& field : fields) {
            if (field.startsWith(key)) {
                *value = field.mid(key.size());
                found = true;
            }
        }
    }
    return found;
}

// A 16-bit number of a state file; leading blanks are skipped, garbage and values out of
// range give 0.
short shortValue(const QString& text)
{
    const qint64 v = vbVal(text);
    if (v < std::numeric_limits<short>::min() || v > std::numeric_limits<short>::max())
        return 0;
    return short(v);
}

QString serverNameValue(const QString& key, const QString& fallback)
{
    std::vector<QStringList> lines;
    if (!readStateFields(appFile(QStringLiteral("ServerName.kvx")), &lines))
        return fallback;
    QString value;
    if (!lastValue(lines, key, &value))
        return fallback;
    return value.trimmed();
}

QDate parseBackupDate(const QString& text)
{
    static const QRegularExpression separated(
        QStringLiteral("^(\\d{4})([/-])(\\d{1,2})\\2(\\d{1,2})(?:[ T]+\\d{1,2}:\\d{2}(?::\\d{2})?)?$"));
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    QRegularExpressionMatch m = separated.match(text);
    if (m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    m = compact.match(text);
    if (m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return {};
}

void showLoginReadError()
{
    platform::msgBox(QStringLiteral("ログイン情報取得時にエラーが発生しました。"),
                     QStringLiteral("予想外のエラー"), MsgIcon::Critical);
}

} // namespace

QStringList splitStateFields(const QString& line)
{
    QStringList fields;
    qsizetype pos = 0;
    const qsizetype n = line.size();
    for (;;) {
        qsizetype start = pos;
        while (start < n && line.at(start) == QLatin1Char(' '))
            ++start;
        if (start < n && line.at(start) == QLatin1Char('"')) {
            // "" inside the quotes is one quote; the field ends at the quote after that.
            QString field;
            qsizetype i = start + 1;
            bool closed = false;
            for (; i < n; ++i) {
                const QChar c = line.at(i);
                if (c != QLatin1Char('"')) {
                    field += c;
                } else if (i + 1 < n && line.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    closed = true;
                    break;
                }
            }
            fields << field;
            if (!closed)
                return fields;
            const qsizetype comma = line.indexOf(QLatin1Char(','), i + 1);
            if (comma < 0)
                return fields;
            pos = comma + 1;
        } else {
            const qsizetype comma = line.indexOf(QLatin1Char(','), pos);
            if (comma < 0) {
                fields << line.mid(pos);
                return fields;
            }
            fields << line.mid(pos, comma - pos);
            pos = comma + 1;
        }
    }
}

bool readStateFields(const QString& suitePath, std::vector<QStringList>* lines)
{
    QStringList text;
    if (!textfile::readLines(platform::nativePath(suitePath), &text))
        return false;
    lines->clear();
    for (const QString& line : text)
        lines->push_back(splitStateFields(line));
    return true;
}

QString stateField(const QString& text)
{
    QString field = text;
    // A line end would start a line of fields of its own.
    if (field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n'))) {
        field.replace(QLatin1String("\r\n"), QLatin1String(" "));
        field.replace(QLatin1Char('\r'), QLatin1Char(' '));
        field.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    qsizetype first = 0;
    while (first < field.size() && field.at(first) == QLatin1Char(' '))
        ++first;
    const bool opensQuote = first < field.size() && field.at(first) == QLatin1Char('"');
    if (!field.contains(QLatin1Char(',')) && !opensQuote)
        return field;
    field.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

QString csGetDbServer()
{
    return serverNameValue(QStringLiteral("[DBServer]="), QString());
}

QString csGetDbPass()
{
    return serverNameValue(QStringLiteral("[DBPass]="), kDefaultDbPass);
}

short iReadDbList()
{
    State& s = state();
    s.gtDbList.clear();
    const QString override = csGetDbServer();
    const QString path = appFile(QStringLiteral("DB.ini"));
    if (!QFileInfo::exists(platform::nativePath(path)))
        return 0;
    std::vector<QStringList> lines;
    if (!readStateFields(path, &lines))
        return -1;
    int lineNumber = 0;
    for (const QStringList& fields : lines) {
        ++lineNumber;
        tDbEntry entry;
        entry.sourceLine = lineNumber;
        entry.displayName = fields.value(0).trimmed();
        entry.server = fields.value(1).trimmed();
        entry.database = fields.value(2).trimmed();
        if (entry.displayName.isEmpty() && entry.server.isEmpty() && entry.database.isEmpty())
            continue;
        if (!override.isEmpty()) {
            // The override names the computer; an instance after the backslash stays. A server
            // without an instance is the computer alone, so it is replaced whole.
            const qsizetype slash = entry.server.indexOf(QLatin1Char('\\'));
            entry.server = slash < 0 ? override : override + entry.server.mid(slash);
        }
        if (s.gtDbList.size() >= size_t(std::numeric_limits<short>::max()))
            break;
        s.gtDbList.push_back(entry);
    }
    return short(s.gtDbList.size());
}

short iReadAreaSelect(QString& lastUser, short& listIndex, short& dbIndex)
{
    lastUser.clear();
    const QString path = appFile(QStringLiteral("AreaSelect.ini"));
    if (!QFileInfo::exists(platform::nativePath(path))) {
        iAreaSelMake(1, 0, 0);
        return 1;
    }
    std::vector<QStringList> lines;
    if (!readStateFields(path, &lines))
        return 1;
    short result = 0;
    QString value;
    if (lastValue(lines, QStringLiteral("[kyotenCd]="), &value))
        result = shortValue(value);
    if (lastValue(lines, QStringLiteral("[Index]="), &value))
        listIndex = shortValue(value);
    if (lastValue(lines, QStringLiteral("[DB]="), &value))
        dbIndex = shortValue(value);
    if (lastValue(lines, QStringLiteral("[LastLoginUser]="), &value))
        lastUser = value;
    return result;
}

short iAreaSelMake(short kyotenCd, short listIndex, short dbIndex)
{
    const QStringList lines{
        QStringLiteral("[kyotenCd]=") + vbStr(kyotenCd),
        QStringLiteral("[Index]=") + vbStr(listIndex),
        QStringLiteral("[DB]=") + vbStr(dbIndex),
        stateField(QStringLiteral("[LastLoginUser]=") + state().gtLoginUser.LoginId.trimmed()),
    };
    if (!textfile::writeLines(platform::nativePath(appFile(QStringLiteral("AreaSelect.ini"))), lines)) {
        platform::msgBox(QStringLiteral("拠点選択ファイルの作成に失敗しました。") + QLatin1Char('\r') +
                             QStringLiteral("ERROR:iAreaSelMake()"),
                         QStringLiteral("ファイル作成失敗"), MsgIcon::Critical);
        return -1;
    }
    return 0;
}

short iLoadLoginUser()
{
    vClearLoginUser();
    if (!appFileExists(QStringLiteral("loginuser.kvx")))
        return 2;
    return iReadLoginUserFile() == -1 ? -1 : 1;
}

short iReadLoginUserFile()
{
    std::vector<QStringList> lines;
    if (!readStateFields(appFile(QStringLiteral("loginuser.kvx")), &lines)) {
        showLoginReadError();
        return -1;
    }
    tLoginUser& u = state().gtLoginUser;
    // The file is ours: the first field of a key is the line we wrote for it, whatever a
    // damaged or older file holds after it.
    QString v;
    if (firstValue(lines, QStringLiteral("[kyotenCd]="), &v))
        u.kyotenCd = shortValue(v);
    if (firstValue(lines, QStringLiteral("[kyotenEb]="), &v))
        u.kyotenEb = shortValue(v);
    if (firstValue(lines, QStringLiteral("[LoginId]="), &v))
        u.LoginId = v;
    if (firstValue(lines, QStringLiteral("[LoginPass]="), &v))
        u.LoginPass = v;
    if (firstValue(lines, QStringLiteral("[Name]="), &v))
        u.Name = v;
    if (firstValue(lines, QStringLiteral("[NameKana]="), &v))
        u.NameKana = v;
    if (firstValue(lines, QStringLiteral("[AreaWord]="), &v))
        u.AreaWord = v;
    if (firstValue(lines, QStringLiteral("[AccessLevel]="), &v))
        u.AccessLevel = shortValue(v);
    if (firstValue(lines, QStringLiteral("[AccessName]="), &v))
        u.AccessName = v;
    if (firstValue(lines, QStringLiteral("[AccessJobNo]="), &v))
        u.AccessJobNo = v;
    if (firstValue(lines, QStringLiteral("[Kubun]="), &v))
        u.Kubun = shortValue(v);
    if (firstValue(lines, QStringLiteral("[MakeDate]="), &v))
        u.MakeDate = v;
    if (firstValue(lines, QStringLiteral("[LoginDate]="), &v))
        u.LoginDate = v;
    return 0;
}

short LoginFileMake(const QString& jobCodeList)
{
    const tLoginUser& u = state().gtLoginUser;
    // The password itself never reaches the file: one asterisk per character.
    const QString mask(u.LoginPass.toUcs4().size(), QLatin1Char('*'));
    const QStringList lines{
        QStringLiteral("[kyotenCd]=") + QString::number(u.kyotenCd),
        QStringLiteral("[kyotenEb]=") + QString::number(u.kyotenEb),
        stateField(QStringLiteral("[LoginId]=") + u.LoginId),
        QStringLiteral("[LoginPass]=") + mask,
        stateField(QStringLiteral("[Name]=") + u.Name),
        stateField(QStringLiteral("[NameKana]=") + u.NameKana),
        stateField(QStringLiteral("[AreaWord]=") + u.AreaWord),
        QStringLiteral("[AccessLevel]=") + QString::number(u.AccessLevel),
        stateField(QStringLiteral("[AccessName]=") + u.AccessName),
        stateField(QStringLiteral("[AccessJobNo]=") + jobCodeList),
        QStringLiteral("[Kubun]=") + QString::number(u.Kubun),
        stateField(QStringLiteral("[MakeDate]=") + u.MakeDate),
        stateField(QStringLiteral("[LoginDate]=") + u.LoginDate),
    };
    if (!textfile::writeLines(platform::nativePath(appFile(QStringLiteral("loginuser.kvx"))), lines)) {
        platform::msgBox(QStringLiteral("ログインファイルの作成に失敗しました。") + QLatin1Char('\r') +
                             QStringLiteral("ERROR:LoginFileMake()"),
                         QStringLiteral("ログイン失敗"), MsgIcon::Critical);
        return -1;
    }
    return 0;
}

void vClearLoginUser()
{
    state().gtLoginUser = tLoginUser{};
}

void vDeleteLoginUser()
{
    const QString path = platform::nativePath(appFile(QStringLiteral("loginuser.kvx")));
    if (QFileInfo::exists(path))
        QFile::remove(path);
}

short iReadQmapUser(QString& userId, QString& password)
{
    std::vector<QStringList> lines;
    if (!readStateFields(appFile(QStringLiteral("QmapUser.ini")), &lines))
        return -1;
    QString v;
    if (lastValue(lines, QStringLiteral("ZENRIN_USER="), &v))
        userId = v;
    if (lastValue(lines, QStringLiteral("ZENRIN_PWD="), &v))
        password = v;
    return 1;
}

QString csGetBackupDate()
{
    std::vector<QStringList> lines;
    if (!readStateFields(QStringLiteral("C:\\KVX\\utility\\databackup.txt"), &lines) || lines.empty())
        return {};
    const QDate date = parseBackupDate(lines.front().value(0).trimmed());
    if (!date.isValid())
        return {};
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

short iAccountLogout(const QString& loginId, short status)
{
    std::unique_ptr<cT_ADODB> db = openConnection(kLogoutLiteral);
    if (!db)
        return -1;
    const QString sql = QStringLiteral(" UPDATE ") + QStringLiteral("      ACCOUNT") +
                        QStringLiteral(" SET ") + QStringLiteral("      tLoginDate = GETDATE()") +
                        QStringLiteral("     ,iStatus = ") + vbStr(status) + QStringLiteral(" WHERE") +
                        QStringLiteral(" cLoginId = '") + sqlText(loginId) +
                        QStringLiteral("' and iStatus <> 9");
    if (db->iExecSQL(sql) != 0) {
        db->iDisConnect();
        platform::msgBox(QStringLiteral("ユーザーアカウントの読込みに失敗しました。"), QString(),
                         MsgIcon::Exclamation);
        return -1;
    }
    db->iDisConnect();
    return 0;
}
