#include "bases/baseadmin.h"

#include "bases/basefiles.h"
#include "bases/kyoten.h"
#include "bases/namecheck.h"
#include "db/recipe.h"
#include "platform/crashpoint.h"
#include "platform/paths.h"
#include "platform/runtime.h"
#include "platform/textfile.h"
#include "settings/conversions.h"
#include "settings/fieldvalue.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <map>

namespace bases
{

namespace
{

const QString kSetAreaLabel = QStringLiteral("iKyotenSetArea() でエラー");
const QString kCrLf = QStringLiteral("\r\n");
// Tries of a creation whose branch another terminal took first.
constexpr int kAttempts = 5;

QString native(const QString& suitePath)
{
    return platform::nativePath(suitePath);
}

bool exists(const QString& suitePath)
{
    const QFileInfo info(native(suitePath));
    return info.exists() || info.isSymLink();
}

bool movePath(const QString& from, const QString& to)
{
    return QDir().rename(native(from), native(to));
}

// Names of the procedures' own beside a base's file: "~" + the file's name + "." + code "_"
// branch + "." + a tag + "." + what it is. No base and no program of the suite uses them.
enum class Kind { New, Creating, Deleting, Kept };

const char* kindName(Kind kind)
{
    switch (kind) {
    case Kind::New:
        return "new"; // a folder being filled
    case Kind::Creating:
        return "creating"; // a creation has published files its row does not have yet
    case Kind::Deleting:
        return "deleting"; // a base's file moved aside by its deletion
    case Kind::Kept:
        break;
    }
    return "kept"; // files found at a new base's names, set aside for the user
}

QString randomTag()
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    return tag;
}

QString ownName(const QString& path, const tKyoten& k, const QString& tag, Kind kind)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
    return path.left(slash + 1) + QLatin1Char('~') + path.mid(slash + 1) + QLatin1Char('.') +
           QString::number(k.iKyotenCd) + QLatin1Char('_') + QString::number(k.iKyotenEb) + QLatin1Char('.') +
           tag + QLatin1Char('.') + QLatin1String(kindName(kind));
}

// One of those names found in a folder.
struct Leftover {
    QString path; // suite form
    short cd = 0;
    short eb = 0;
    Kind kind = Kind::New;
};

// The folders that hold base files: the program folder, its DATA folder and, when adodb.ini
// names it, the distribution folder's DATA folder.
QStringList baseFileFolders()
{
    const QString app = platform::gsAppPath();
    QStringList folders{app, app + QStringLiteral("\\DATA")};
    QString distribution;
    if (readDistributionFolder(&distribution) && !distribution.isEmpty())
        folders << distribution + QStringLiteral("\\DATA");
    return folders;
}

std::vector<Leftover> findLeftovers(std::optional<std::pair<short, short>> only = {})
{
    static const QRegularExpression pattern(
        QStringLiteral(
            "^~(?:Massage\\d+\\.ini|Data\\d+)\\.(\\d+)_(\\d+)\\.[A-Za-z0-9]{6}\\.(new|creating|deleting)$"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<Leftover> found;
    for (const QString& folder : baseFileFolders()) {
        const QDir dir(native(folder));
        for (const QString& name :
             dir.entryList({QStringLiteral("~*")}, QDir::AllEntries | QDir::Hidden | QDir::System)) {
            const QRegularExpressionMatch m = pattern.match(name);
            if (!m.hasMatch())
                continue;
            Leftover l;
            l.path = folder + QLatin1Char('\\') + name;
            l.cd = short(m.captured(1).toInt());
            l.eb = short(m.captured(2).toInt());
            const QString kind = m.captured(3).toLower();
            l.kind = kind == QLatin1String("new")        ? Kind::New
                     : kind == QLatin1String("creating") ? Kind::Creating
                                                         : Kind::Deleting;
            if (!only || (only->first == l.cd && only->second == l.eb))
                found.push_back(l);
        }
    }
    return found;
}

// The file a leftover stands for: its name without "~" and the tail.
QString finalPathOf(const Leftover& l)
{
    const qsizetype slash = l.path.lastIndexOf(QLatin1Char('\\'));
    QString name = l.path.mid(slash + 2);
    for (int dots = 0; dots < 3; ++dots)
        name.truncate(name.lastIndexOf(QLatin1Char('.')));
    return l.path.left(slash + 1) + name;
}

// Takes the area's lock for the transaction: the area's own row, written without a change,
// stays locked against every other creation, deletion and clean-up until the commit.
bool lockArea(cT_ADODB& db, short cd)
{
    return db.iExecSQL(QStringLiteral(" UPDATE KYOTEN SET iUsedFlg = iUsedFlg WHERE iKyotenCd = ") +
                       QString::number(cd) + QStringLiteral(" AND iKyotenEb = 0")) == 0;
}

// The count of a counting statement on the transaction's own connection; -1 on failure.
int countOn(cT_ADODB& db, const QString& sql)
{
    Recordset rs;
    if (db.iOpenRecSet(rs, sql) != 0)
        return -1;
    const int count = rs.eof() ? 0 : int(nNullToLong(rs.field(0)));
    rs.close();
    return count;
}

// Finishes the leftovers of one base number, under the area's lock. Paths it could not
// clear go to *left.
void recoverNumber(cT_ADODB& db, short cd, short eb, const std::vector<Leftover>& items, QStringList* left)
{
    const int rows = countOn(db, kyotenCheckSql(cd, eb));
    if (rows < 0)
        return; // decided another time
    const auto remove = [&](const QString& path) {
        if (!removePath(path))
            left->append(path);
    };
    // A creation that did not commit: what it published goes, then its marker.
    for (const Leftover& l : items) {
        if (l.kind != Kind::Creating)
            continue;
        const qsizetype before = left->size();
        if (rows == 0) {
            remove(settingsFile(cd, eb));
            remove(dataFolder(cd, eb));
        }
        if (left->size() == before)
            remove(l.path);
    }
    for (const Leftover& l : items) {
        if (l.kind == Kind::New) {
            remove(l.path);
        } else if (l.kind == Kind::Deleting) {
            if (rows == 0) {
                remove(l.path); // the deletion committed
                continue;
            }
            // The deletion did not commit: the base keeps its files.
            const QString back = finalPathOf(l);
            if (exists(back) || !movePath(l.path, back)) {
                tKyoten k;
                k.iKyotenCd = cd;
                k.iKyotenEb = eb;
                if (!movePath(l.path, ownName(back, k, randomTag(), Kind::Kept)))
                    left->append(l.path);
            }
        }
    }
}

// Cleans the leftovers of the number (or of every number of the area when eb is negative)
// inside a transaction that holds the area's lock.
void recoverInTransaction(cT_ADODB& db, short cd, short eb, QStringList* left)
{
    std::map<short, std::vector<Leftover>> byBranch;
    for (const Leftover& l : findLeftovers()) {
        if (l.cd == cd && (eb < 0 || l.eb == eb))
            byBranch[l.eb].push_back(l);
    }
    for (const auto& [branch, items] : byBranch)
        recoverNumber(db, cd, branch, items, left);
}

// What a creation made so far, to take it out again.
struct Made {
    QString building;        // the data folder being filled
    QString marker;          // the creation's marker
    bool dataFolder = false; // published
    bool settings = false;   // published
    QString copyBackBuilding;
    bool copiedBack = false;
};

// Removes what the creation made; empty when nothing is left, otherwise what is.
QString takeBack(const Made& made, const tKyoten& k, const QString& copyBackFolder)
{
    QStringList paths;
    if (!made.building.isEmpty())
        paths << made.building;
    if (!made.copyBackBuilding.isEmpty())
        paths << made.copyBackBuilding;
    if (made.dataFolder)
        paths << dataFolder(k.iKyotenCd, k.iKyotenEb);
    if (made.settings)
        paths << settingsFile(k.iKyotenCd, k.iKyotenEb);
    if (made.copiedBack) {
        const QString nnnn = baseId(k.iKyotenCd, k.iKyotenEb);
        paths << copyBackFolder + QStringLiteral("\\Massage") + nnnn + QStringLiteral(".ini")
              << copyBackFolder + QStringLiteral("\\DATA\\Data") + nnnn;
    }
    QStringList left;
    for (const QString& path : paths) {
        if (!removePath(path))
            left << path;
    }
    // The marker last: while anything the creation published is left, it says whose it is.
    if (!made.marker.isEmpty() && (!left.isEmpty() || !removePath(made.marker)))
        left << made.marker;
    return left.join(kCrLf);
}

// The distribution folder's copies of the new files: the settings file replaced, the data
// folder made anew.
bool copyBack(const tKyoten& k, const QString& tag, const QString& folder, Made* made, QString* error)
{
    const QString nnnn = baseId(k.iKyotenCd, k.iKyotenEb);
    const QString settings = folder + QStringLiteral("\\Massage") + nnnn + QStringLiteral(".ini");
    const QString data = folder + QStringLiteral("\\DATA\\Data") + nnnn;
    made->copiedBack = true;
    if (!textfile::copy(native(settingsFile(k.iKyotenCd, k.iKyotenEb)), native(settings))) {
        *error = QStringLiteral("ファイルを複写できません。") + kCrLf + settings;
        return false;
    }
    made->copyBackBuilding = ownName(data, k, tag, Kind::New);
    if (!QDir().mkpath(native(made->copyBackBuilding))) {
        *error = QStringLiteral("フォルダを作成できません。") + kCrLf + data;
        return false;
    }
    if (!copyFolderFiles(dataFolder(k.iKyotenCd, k.iKyotenEb), made->copyBackBuilding, data, error))
        return false;
    if (!removePath(data) || !movePath(made->copyBackBuilding, data)) {
        *error = QStringLiteral("フォルダを作成できません。") + kCrLf + data;
        return false;
    }
    made->copyBackBuilding.clear();
    return true;
}

// Builds the new base's files and publishes them, inside the creation's transaction.
bool makeFiles(const NewKyoten& request, const tKyoten& k, Made* made, QString* error)
{
    const QString nnnn = baseId(k.iKyotenCd, k.iKyotenEb);
    const QString settings = settingsFile(k.iKyotenCd, k.iKyotenEb);
    const QString data = dataFolder(k.iKyotenCd, k.iKyotenEb);
    const QString tag = randomTag();

    made->building = ownName(data, k, tag, Kind::New);
    if (!QDir().mkpath(native(made->building))) {
        *error = QStringLiteral("フォルダを作成できません。") + kCrLf + data;
        return false;
    }
    platform::crashPoint("create.folder");
    if (!copyFolderFiles(request.templateFolder + QStringLiteral("\\DATA\\DATA0000"), made->building, data,
                         error))
        return false;
    platform::crashPoint("create.copied");
    if (const auto& s = request.schedule) {
        if (!vMakeYoteiIni(s->interval, s->startTime, s->endTime, s->lunchTime, s->closingTime,
                           made->building)) {
            *error = QStringLiteral("ファイルを作成できません。") + kCrLf + data +
                     QStringLiteral("\\予定設定.ini");
            return false;
        }
        platform::crashPoint("create.schedule");
        if (!vSetIniFile_ChohyoFormat(s->interval, made->building + QStringLiteral("\\帳票Format.ini"),
                                      error))
            return false;
        platform::crashPoint("create.format");
    }

    // Files found under the new base's names belong to no base; they may hold someone's
    // data, so they are set aside, never taken over or thrown away.
    for (const QString& path : {data, settings}) {
        if (exists(path) && !movePath(path, ownName(path, k, tag, Kind::Kept))) {
            *error = QStringLiteral("ファイルを移動できません。") + kCrLf + path;
            return false;
        }
    }
    platform::crashPoint("create.aside");
    // From here files stand under the base's own names: the marker says they are not the
    // base's until its row commits.
    made->marker = ownName(settings, k, tag, Kind::Creating);
    if (!textfile::write(native(made->marker), QString())) {
        made->marker.clear();
        *error = QStringLiteral("ファイルを作成できません。") + kCrLf + settings;
        return false;
    }
    platform::crashPoint("create.marked");
    if (!movePath(made->building, data)) {
        *error = QStringLiteral("フォルダを作成できません。") + kCrLf + data;
        return false;
    }
    made->building.clear();
    made->dataFolder = true;
    platform::crashPoint("create.folderPublished");
    made->settings = true;
    if (!writeSettingsFile(request.templateFolder + QStringLiteral("\\Massage0000.ini"), settings,
                           k.cKyotenName, nnnn, error))
        return false;
    platform::crashPoint("create.settingsPublished");
    if (!request.copyBackFolder.isEmpty()) {
        if (!copyBack(k, tag, request.copyBackFolder, made, error))
            return false;
        platform::crashPoint("create.copiedBack");
    }
    return true;
}

void setAreaListStatus(short cd, short status)
{
    if (cd >= 0 && cd < int(state().gtAreaList.size()))
        state().gtAreaList[size_t(cd)].status = status;
}

} // namespace

CreateOutcome createKyoten(const NewKyoten& request)
{
    CreateOutcome out;
    out.row = request.row;
    tKyoten& k = out.row;
    if (const QString missing = missingTemplates(request.templateFolder); !missing.isEmpty()) {
        out.result = Created::TemplatesMissing;
        out.failure = missing;
        return out;
    }

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (request.lookUpBranch) {
            const int branch = iKyotenEdMaxGet(k.iKyotenCd);
            if (branch < 1) {
                out.result = Created::NoBranch;
                return out;
            }
            k.iKyotenEb = short(branch);
        }
        platform::crashPoint("create.branch");

        out.result = Created::InsertFailed;
        auto db = openConnection(kSetAreaLabel);
        if (!db)
            return out;
        const auto fail = [&](Created result) {
            out.result = result;
            if (out.failure.isEmpty())
                out.failure = db->sErrMsg;
            db->iRollback();
            db->iDisConnect();
            return out;
        };
        if (db->iBeginTrans() != 0) {
            out.failure = db->sErrMsg;
            db->iDisConnect();
            return out;
        }
        if (!lockArea(*db, k.iKyotenCd))
            return fail(Created::InsertFailed);
        QStringList left;
        recoverInTransaction(*db, k.iKyotenCd, k.iKyotenEb, &left);
        // The name is checked under the area's lock: two terminals cannot both give it.
        if (const int taken = countOn(*db, kyotenNameCountSql(k.iKyotenCd, k.iKyotenEb, k.cKyotenName));
            taken != 0) {
            if (taken > 0)
                out.failure = kyotenNameTakenText();
            return fail(taken > 0 ? Created::NameTaken : Created::InsertFailed);
        }
        if (db->iExecSQL(kyotenInsertSql(k)) != 0) {
            fail(Created::InsertFailed);
            // Another terminal took the number between the look-up and the insert.
            if (request.lookUpBranch && iKyotenCheck(k.iKyotenCd, k.iKyotenEb) >= 1) {
                out.failure.clear();
                continue;
            }
            return out;
        }
        platform::crashPoint("create.inserted");
        if (db->iExecSQL(kyotenUpdateSql(k, 1)) != 0)
            return fail(Created::InsertFailed);

        Made made;
        QString error;
        if (!makeFiles(request, k, &made, &error)) {
            // Taken back before anyone is told: the files first, while the row still holds
            // the number, then the row.
            out.undoFailure = takeBack(made, k, request.copyBackFolder);
            out.failure = error;
            if (db->iRollback() != 0)
                out.undoFailure += (out.undoFailure.isEmpty() ? QString() : kCrLf) + db->sErrMsg;
            db->iDisConnect();
            out.result = Created::FilesNotMade;
            return out;
        }
        if (db->iCommitTrans() != 0) {
            out.failure = db->sErrMsg;
            out.undoFailure = takeBack(made, k, request.copyBackFolder);
            db->iRollback();
            db->iDisConnect();
            return out;
        }
        platform::crashPoint("create.committed");
        db->iDisConnect();
        removePath(made.marker);
        platform::crashPoint("create.done");
        setAreaListStatus(k.iKyotenCd, 1);
        out.result = Created::Yes;
        out.failure.clear();
        return out;
    }
    return out;
}

DeleteOutcome deleteKyoten(const tKyoten& k)
{
    DeleteOutcome out;
    const QString settings = settingsFile(k.iKyotenCd, k.iKyotenEb);
    const QString data = dataFolder(k.iKyotenCd, k.iKyotenEb);
    // Files that could not be removed afterwards would outlive their rows: find out first.
    QString blocker;
    if (!canRemove(settings, &blocker) || !canRemove(data, &blocker)) {
        out.result = Deleted::FilesBlocked;
        out.failure = blocker;
        return out;
    }

    out.result = Deleted::RowsFailed;
    auto db = openConnection(kSetAreaLabel);
    if (!db)
        return out;
    if (db->iBeginTrans() != 0) {
        out.failure = db->sErrMsg;
        db->iDisConnect();
        return out;
    }
    // The files go aside before the rows: a base made with this number once the rows are
    // gone gets files of its own, which this deletion never touches.
    const QString tag = randomTag();
    std::vector<std::pair<QString, QString>> aside; // from, to
    const auto fail = [&](Deleted result, const QString& why) {
        out.result = result;
        out.failure = why;
        for (auto it = aside.rbegin(); it != aside.rend(); ++it) {
            if (!movePath(it->second, it->first))
                out.failure += kCrLf + it->second;
        }
        db->iRollback();
        db->iDisConnect();
        return out;
    };
    if (!lockArea(*db, k.iKyotenCd))
        return fail(Deleted::RowsFailed, db->sErrMsg);
    platform::crashPoint("delete.locked");
    QStringList ignored;
    recoverInTransaction(*db, k.iKyotenCd, k.iKyotenEb, &ignored);
    for (const QString& path : {settings, data}) {
        if (!exists(path))
            continue;
        const QString to = ownName(path, k, tag, Kind::Deleting);
        if (!movePath(path, to))
            return fail(Deleted::FilesBlocked, path);
        aside.emplace_back(path, to);
        platform::crashPoint("delete.aside");
    }
    if (db->iExecSQL(allTblDeleteSql(k.iKyotenCd, k.iKyotenEb)) != 0)
        return fail(Deleted::RowsFailed, db->sErrMsg);
    platform::crashPoint("delete.rows");
    // Only a count that was read decides: a failed look-up leaves the area as it is.
    const int remaining = countOn(*db, kyotenCheckSql(k.iKyotenCd, 0));
    if (remaining == 0 && db->iExecSQL(kyotenUpdateSql(k, 0)) != 0)
        return fail(Deleted::RowsFailed, db->sErrMsg);
    if (db->iCommitTrans() != 0)
        return fail(Deleted::RowsFailed, db->sErrMsg);
    platform::crashPoint("delete.committed");
    db->iDisConnect();
    if (remaining == 0)
        setAreaListStatus(k.iKyotenCd, 0);
    for (const auto& [from, to] : aside) {
        if (!removePath(to))
            out.left << to;
    }
    platform::crashPoint("delete.removed");
    out.result = Deleted::Yes;
    return out;
}

void vCleanLeftovers()
{
    std::map<short, int> areas;
    for (const Leftover& l : findLeftovers())
        ++areas[l.cd];
    if (areas.empty())
        return;
    QString ignored;
    auto db = openConnectionQuiet(kSetAreaLabel, &ignored);
    if (!db)
        return;
    for (const auto& [cd, count] : areas) {
        if (db->iBeginTrans() != 0)
            break;
        QStringList left;
        if (lockArea(*db, cd))
            recoverInTransaction(*db, cd, -1, &left);
        if (db->iCommitTrans() != 0)
            db->iRollback();
    }
    db->iDisConnect();
}

} // namespace bases
