#include "platform/paths.h"
#include "platform/textfile.h"
#include "wfr.h"

#include <QFile>
#include <QFileInfo>

namespace wfr
{

QString localPath(const QString& suitePath)
{
    return platform::nativePath(suitePath);
}

namespace
{

// The text between the first and the last double quote of a value ("no quote escaping").
QString unquote(const QString& value)
{
    const qsizetype first = value.indexOf(u'"');
    const qsizetype last = value.lastIndexOf(u'"');
    if (first < 0 || last <= first)
        return value.trimmed();
    return value.mid(first + 1, last - first - 1);
}

// SetDataText,"name","path" with an optional tail: ,,,1 (no titles) or the separator,
// quote and header flag of combined jobs.
bool dataText(const QString& rest, DataSource* d)
{
    const QString sep = QStringLiteral("\",\"");
    const qsizetype open = rest.indexOf(u'"');
    const qsizetype mid = rest.indexOf(sep, open + 1);
    if (open < 0 || mid < 0)
        return false;
    const qsizetype close = rest.indexOf(u'"', mid + sep.size());
    if (close < 0)
        return false;
    d->name = rest.mid(open + 1, mid - open - 1);
    d->path = rest.mid(mid + sep.size(), close - mid - sep.size());
    const QString tail = rest.mid(close + 1);
    d->titles =
        tail != QStringLiteral(",,,1") && !tail.endsWith(QStringLiteral("False"), Qt::CaseInsensitive);
    return true;
}

QStringList lines(const QByteArray& bytes)
{
    return textfile::splitLines(textfile::decode(bytes));
}

bool readCombined(const QString& path, const QByteArray& bytes, Job* job, QString* error)
{
    for (const QString& line : lines(bytes)) {
        const QStringList w = words(line);
        if (w.isEmpty() || w[0].startsWith(u';'))
            continue;
        if (w[0] == QStringLiteral("REPORT") && w.size() >= 2) {
            job->reports.push_back({w[1], {}});
        } else if (w[0] == QStringLiteral("DATA") && w.size() >= 3 && !job->reports.empty()) {
            job->reports.back().data.push_back(
                {w[1], w[2], w.size() < 4 || w[3] != QStringLiteral("NOTITLES")});
        } else if (w[0] == QStringLiteral("TITLE") && w.size() >= 2) {
            if (job->title.isEmpty())
                job->title = w[1];
        }
    }
    if (job->reports.empty()) {
        *error = QStringLiteral("結合帳票に帳票がありません。\r\n") + path;
        return false;
    }
    return true;
}

// The number of a setting line, a whole number within the range the engine can use.
enum class Number { Ok, Bad, OutOfRange };
Number integer(const QString& text, qint64 lowest, qint64 highest, int* out)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok)
        return Number::Bad;
    if (n < lowest || n > highest)
        return Number::OutOfRange;
    *out = int(n);
    return Number::Ok;
}

// Reports and data sources beyond what any job of the suite holds.
bool withinCounts(const Job& job, const QString& path, QString* error)
{
    if (job.reports.size() > size_t(kMaxReports)) {
        *error = QStringLiteral("帳票の数が多すぎます (上限 %1)。\r\n").arg(kMaxReports) + path;
        return false;
    }
    for (const Report& r : job.reports) {
        if (r.data.size() > size_t(kMaxDataPerReport)) {
            *error =
                QStringLiteral("帳票データの数が多すぎます (1 帳票に %1 まで)。\r\n").arg(kMaxDataPerReport) +
                path;
            return false;
        }
    }
    return true;
}

} // namespace

bool checkJobFile(const QString& path, const QString& kind, qint64 limit, QString* error)
{
    const QFileInfo info(localPath(path));
    if (!info.exists()) {
        *error = kind + QStringLiteral("が見つかりません。\r\n") + path;
        return false;
    }
    if (!info.isFile()) {
        *error = kind + QStringLiteral("が通常のファイルではありません。\r\n") + path;
        return false;
    }
    if (info.size() > limit) {
        *error = kind + QStringLiteral("が大きすぎます (上限 %1 MB)。\r\n").arg(limit >> 20) + path;
        return false;
    }
    return true;
}

bool readJobFile(const QString& path, const QString& kind, qint64 limit, QByteArray* bytes, QString* error)
{
    if (!checkJobFile(path, kind, limit, error))
        return false;
    QFile file(localPath(path));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = kind + QStringLiteral("を読み込めません (") + file.errorString() +
                 QStringLiteral(")。\r\n") + path;
        return false;
    }
    // The size told is not trusted: a file may grow while it is read, and some report none.
    QByteArray all;
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0) {
            *error = kind + QStringLiteral("を読み込めません (") + file.errorString() +
                     QStringLiteral(")。\r\n") + path;
            return false;
        }
        if (n == 0)
            break;
        if (all.size() + n > limit) {
            *error = kind + QStringLiteral("が大きすぎます (上限 %1 MB)。\r\n").arg(limit >> 20) + path;
            return false;
        }
        all.append(buffer, n);
    }
    *bytes = std::move(all);
    return true;
}

bool readCommandFile(const QString& path, Job* job, QString* error)
{
    QByteArray bytes;
    if (!readJobFile(path, QStringLiteral("コマンドファイル"), kMaxCommandBytes, &bytes, error))
        return false;
    QString layout;
    std::vector<DataSource> data;
    int lineNo = 0;
    for (const QString& line : lines(bytes)) {
        ++lineNo;
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype comma = line.indexOf(u',');
        const QString keyword = (comma < 0 ? line : line.left(comma)).trimmed();
        const QString rest = comma < 0 ? QString() : line.mid(comma + 1);
        const QString value = rest.trimmed();
        Number number = Number::Ok;
        bool ok = true;
        if (keyword == QStringLiteral("FileName")) {
            layout = unquote(rest);
        } else if (keyword == QStringLiteral("Title") || keyword == QStringLiteral("setTitle")) {
            job->title = unquote(rest);
            job->combination = job->combination || keyword == QStringLiteral("setTitle");
        } else if (keyword == QStringLiteral("SetDataText")) {
            DataSource d;
            ok = dataText(rest, &d);
            data.push_back(d);
        } else if (keyword == QStringLiteral("setreport")) {
            job->combination = true;
            job->reports.push_back({unquote(rest), data});
            data.clear();
        } else if (keyword == QStringLiteral("AddReport")) {
        } else if (keyword == QStringLiteral("PrintOffsetX") || keyword == QStringLiteral("PrintOffsetY")) {
            // 0.1 mm: a metre either way is more than any paper.
            int offset = 0;
            number = integer(value, -10000, 10000, &offset);
            (keyword == QStringLiteral("PrintOffsetX") ? job->offsetX : job->offsetY) = offset;
        } else if (keyword == QStringLiteral("PrintZoom")) {
            number = integer(value, 0, 2, &job->zoom);
        } else if (keyword == QStringLiteral("SectionRepeatStart")) {
            number = integer(value, 0, 32767, &job->repeatStart);
        } else if (keyword == QStringLiteral("PrintPaper")) {
            job->paper = value.toUpper();
            ok = job->paper == QStringLiteral("A4") || job->paper == QStringLiteral("A5") ||
                 job->paper == QStringLiteral("B5");
        } else if (keyword == QStringLiteral("SetItemValue")) {
            const QString sep = QStringLiteral("\",\"");
            const qsizetype open = rest.indexOf(u'"');
            const qsizetype mid = rest.indexOf(sep);
            const qsizetype close = rest.lastIndexOf(u'"');
            ok = open >= 0 && mid > open && close >= mid + sep.size();
            if (ok)
                job->items.emplace_back(rest.mid(open + 1, mid - open - 1),
                                        rest.mid(mid + sep.size(), close - mid - sep.size()));
        } else if (keyword == QStringLiteral("ShowWindow")) {
            job->output = Output::Preview;
        } else if (keyword == QStringLiteral("PrintOut")) {
            job->output = Output::Print;
        } else if (keyword == QStringLiteral("PrintOutFromDialog")) {
            job->output = Output::PrintDialog;
        } else {
            ok = false;
        }
        if (number == Number::OutOfRange) {
            *error = QStringLiteral("コマンドファイルの %1 行目の数値が範囲外です。\r\n").arg(lineNo) + path +
                     QStringLiteral("\r\n") + line;
            return false;
        }
        if (!ok || number == Number::Bad) {
            *error = QStringLiteral("コマンドファイルの %1 行目が読めません。\r\n").arg(lineNo) + path +
                     QStringLiteral("\r\n") + line;
            return false;
        }
    }
    if (job->combination) {
        if (!data.empty())
            job->reports.push_back({QString(), data}); // data after the last report: refused below
        if (!job->reports.empty() && job->reports.back().layout.isEmpty()) {
            *error =
                QStringLiteral("コマンドファイルの帳票データに帳票 (setreport) がありません。\r\n") + path;
            return false;
        }
        return withinCounts(*job, path, error);
    }
    if (layout.isEmpty()) {
        *error = QStringLiteral("コマンドファイルに帳票定義ファイル (FileName) がありません。\r\n") + path;
        return false;
    }
    // A layout that cannot be read here is refused, with its reason, when it is read to draw.
    QByteArray head;
    QString ignored;
    if (readJobFile(layout, QStringLiteral("帳票定義ファイル"), kMaxLayoutBytes, &head, &ignored)) {
        const QStringList first = lines(head.left(256));
        if (!first.isEmpty() && words(first.first()).value(0) == QStringLiteral("WFD") &&
            words(first.value(1)).value(0) == QStringLiteral("COMBINED"))
            return readCombined(layout, head, job, error) && withinCounts(*job, layout, error);
    }
    job->reports.push_back({layout, data});
    return withinCounts(*job, path, error);
}

bool writeCombinedLayout(const QString& path, const Job& job, QString* error)
{
    const auto q = [](const QString& s) {
        return u'"' + QString(s).replace(u'"', QStringLiteral("\"\"")) + u'"';
    };
    QStringList lines{QStringLiteral("WFD 1"), QStringLiteral("COMBINED"),
                      QStringLiteral("TITLE ") + q(job.title)};
    for (const Report& r : job.reports) {
        if (!checkJobFile(r.layout, QStringLiteral("帳票定義ファイル"), kMaxLayoutBytes, error))
            return false;
        lines << QStringLiteral("REPORT ") + q(r.layout);
        for (const DataSource& d : r.data) {
            if (!checkJobFile(d.path, QStringLiteral("帳票データ"), kMaxDataBytes, error))
                return false;
            lines << QStringLiteral("DATA ") + q(d.name) + u' ' + q(d.path) +
                         (d.titles ? QString() : QStringLiteral(" NOTITLES"));
        }
    }
    if (!textfile::writeLines(localPath(path), lines)) {
        *error = QStringLiteral("結合帳票を書き込めません。\r\n") + path;
        return false;
    }
    return true;
}

QStringList words(const QString& line)
{
    QStringList out;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && line[i].isSpace())
            ++i;
        if (i >= n)
            break;
        QString w;
        if (line[i] == u'"') {
            ++i;
            while (i < n) {
                if (line[i] == u'"') {
                    if (i + 1 < n && line[i + 1] == u'"') {
                        w += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                w += line[i++];
            }
        } else {
            while (i < n && !line[i].isSpace())
                w += line[i++];
        }
        out << w;
    }
    return out;
}

bool readCsv(const QString& path, bool titles, Csv* csv, QString* error)
{
    csv->path = path;
    QByteArray bytes;
    if (!readJobFile(path, QStringLiteral("帳票データ"), kMaxDataBytes, &bytes, error))
        return false;
    csv->bytes = bytes.size();
    QString text;
    QString why;
    if (!textfile::decodeStrict(bytes, &text, &why)) {
        *error = QStringLiteral("帳票データの文字コードが Shift_JIS (CP932) ではありません (") + why +
                 QStringLiteral(")。\r\n") + path;
        return false;
    }
    bytes.clear();
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool any = false;
    // Each field costs far more memory than its bytes: a file of commas stops at the limit.
    const auto endField = [&] {
        record << field;
        field.clear();
        if (++csv->fields <= kMaxJobFields)
            return true;
        *error =
            QStringLiteral("帳票データの項目が多すぎます (上限 %1 項目)。\r\n").arg(kMaxJobFields) + path;
        return false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            if (!endField())
                return false;
            any = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            if (any || !field.isEmpty()) {
                if (!endField())
                    return false;
                records.push_back(record);
            }
            record.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        if (!endField())
            return false;
        records.push_back(record);
    }
    if (quoted) {
        *error = QStringLiteral("帳票データの引用符が閉じていません。\r\n") + path;
        return false;
    }
    size_t first = 0;
    if (titles) {
        if (records.empty()) {
            *error = QStringLiteral("帳票データに見出し行がありません。\r\n") + path;
            return false;
        }
        csv->columns = records[0];
        for (QString& c : csv->columns)
            c = c.trimmed();
        first = 1;
    } else {
        qsizetype width = 0;
        for (const QStringList& r : records)
            width = std::max(width, r.size());
        for (qsizetype i = 1; i <= width; ++i)
            csv->columns << QString::number(i);
    }
    records.erase(records.begin(), records.begin() + qsizetype(first));
    csv->rows = std::move(records);
    return true;
}

} // namespace wfr
