#include "platform/paths.h"
#include "platform/textfile.h"
#include "wfr.h"

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

bool readCombined(const QString& path, Job* job, QString* error)
{
    QStringList lines;
    textfile::readLines(localPath(path), &lines);
    for (const QString& line : lines) {
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

} // namespace

bool readCommandFile(const QString& path, Job* job, QString* error)
{
    QStringList lines;
    if (!textfile::readLines(localPath(path), &lines)) {
        *error = QStringLiteral("コマンドファイルが見つかりません。\r\n") + path;
        return false;
    }
    QString layout;
    std::vector<DataSource> data;
    int lineNo = 0;
    for (const QString& line : lines) {
        ++lineNo;
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype comma = line.indexOf(u',');
        const QString keyword = (comma < 0 ? line : line.left(comma)).trimmed();
        const QString rest = comma < 0 ? QString() : line.mid(comma + 1);
        const QString value = rest.trimmed();
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
        } else if (keyword == QStringLiteral("PrintOffsetX")) {
            job->offsetX = value.toDouble(&ok);
        } else if (keyword == QStringLiteral("PrintOffsetY")) {
            job->offsetY = value.toDouble(&ok);
        } else if (keyword == QStringLiteral("PrintZoom")) {
            job->zoom = value.toInt(&ok);
        } else if (keyword == QStringLiteral("SectionRepeatStart")) {
            job->repeatStart = value.toInt(&ok);
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
        if (!ok) {
            *error = QStringLiteral("コマンドファイルの %1 行目が読めません。\r\n").arg(lineNo) + line;
            return false;
        }
    }
    if (job->combination)
        return true;
    if (layout.isEmpty()) {
        *error = QStringLiteral("コマンドファイルに帳票定義ファイル (FileName) がありません。\r\n") + path;
        return false;
    }
    QStringList head;
    textfile::readLines(localPath(layout), &head);
    if (!head.isEmpty() && words(head.first()).value(0) == QStringLiteral("WFD") &&
        words(head.value(1)).value(0) == QStringLiteral("COMBINED"))
        return readCombined(layout, job, error);
    job->reports.push_back({layout, data});
    return true;
}

bool writeCombinedLayout(const QString& path, const Job& job, QString* error)
{
    const auto q = [](const QString& s) {
        return u'"' + QString(s).replace(u'"', QStringLiteral("\"\"")) + u'"';
    };
    QStringList lines{QStringLiteral("WFD 1"), QStringLiteral("COMBINED"),
                      QStringLiteral("TITLE ") + q(job.title)};
    for (const Report& r : job.reports) {
        if (!QFileInfo(localPath(r.layout)).isFile()) {
            *error = QStringLiteral("帳票定義ファイルが見つかりません。\r\n") + r.layout;
            return false;
        }
        lines << QStringLiteral("REPORT ") + q(r.layout);
        for (const DataSource& d : r.data) {
            if (!QFileInfo(localPath(d.path)).isFile()) {
                *error = QStringLiteral("帳票データが見つかりません。\r\n") + d.path;
                return false;
            }
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
    QString text;
    QString why;
    if (!textfile::readStrict(localPath(path), &text, &why)) {
        if (!QFileInfo::exists(localPath(path)))
            *error = QStringLiteral("帳票データが見つかりません。\r\n") + path;
        else
            *error = QStringLiteral("帳票データの文字コードが Shift_JIS (CP932) ではありません (") + why +
                     QStringLiteral(")。\r\n") + path;
        return false;
    }
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            record << field;
            field.clear();
            any = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            if (any || !field.isEmpty()) {
                record << field;
                records.push_back(record);
            }
            record.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        record << field;
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
    for (size_t r = first; r < records.size(); ++r) {
        QStringList row = records[r];
        while (row.size() < csv->columns.size())
            row << QString();
        csv->rows.push_back(row);
    }
    return true;
}

} // namespace wfr
