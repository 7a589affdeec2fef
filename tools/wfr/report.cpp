#include "report.h"

#include "platform/textfile.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

namespace wfr
{

namespace
{

QChar alignment(const QString& text)
{
    const QString a = text.toUpper();
    return a == QStringLiteral("C") || a == QStringLiteral("R") ? a[0] : QChar(u'L');
}

Qt::Alignment qtAlign(QChar a)
{
    const Qt::Alignment h = a == u'C' ? Qt::AlignHCenter : a == u'R' ? Qt::AlignRight : Qt::AlignLeft;
    return h | Qt::AlignVCenter;
}

QString fontFamily()
{
    static const QString family = [] {
        for (const QString& f : {QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                                 QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL Gothic")})
            if (QFontDatabase::hasFamily(f))
                return f;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

} // namespace

bool readLayout(const QString& path, Layout* layout, QString* error)
{
    layout->path = path;
    QByteArray bytes;
    if (!readJobFile(path, QStringLiteral("帳票定義ファイル"), kMaxLayoutBytes, &bytes, error))
        return false;
    layout->bytes = bytes.size();
    const QStringList lines = textfile::splitLines(textfile::decode(bytes));
    bool outOfRange = false;
    const auto bad = [&](int lineNo, const QString& line) {
        *error =
            QStringLiteral("帳票定義ファイルの %1 行目").arg(lineNo) +
            (outOfRange ? QStringLiteral("の数値が範囲外です。\r\n") : QStringLiteral("が読めません。\r\n")) +
            path + QStringLiteral("\r\n") + line;
        return false;
    };
    if (lines.isEmpty() || words(lines[0]) != QStringList{QStringLiteral("WFD"), QStringLiteral("1")})
        return bad(1, lines.value(0));
    // Ranges of the numbers: positions and sizes in millimetres on a page of at most a metre,
    // font sizes in points, pen widths up to a centimetre, a table of up to 1000 lines.
    struct Range {
        double lowest, highest;
    };
    constexpr Range kPlace{0, 1000}, kFont{1, 200}, kPen{0, 10}, kRowHeight{0.1, 1000}, kRows{1, 1000};
    Table* table = nullptr;
    int tableLine = 0;
    const auto tableWithoutColumns = [&] {
        if (!table || !table->columns.empty())
            return false;
        *error =
            QStringLiteral("帳票定義ファイルの %1 行目の表に列 (COL) がありません。\r\n").arg(tableLine) +
            path + QStringLiteral("\r\n") + lines[tableLine - 1];
        return true;
    };
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList w = words(lines[i]);
        if (w.isEmpty() || w[0].startsWith(u';'))
            continue;
        const QString& k = w[0];
        double v[5] = {};
        // The numbers from word `from` on, each within its range; a word that is no number
        // or a number out of its range fails the line.
        const auto nums = [&](int from, std::initializer_list<Range> ranges) {
            if (w.size() < from + int(ranges.size()))
                return false;
            int j = 0;
            for (const Range& r : ranges) {
                bool ok = false;
                v[j] = w[from + j].toDouble(&ok);
                if (!ok)
                    return false;
                if (!(v[j] >= r.lowest && v[j] <= r.highest)) {
                    outOfRange = true;
                    return false;
                }
                ++j;
            }
            return true;
        };
        const bool elementWords =
            w.size() >= (k == QStringLiteral("TITLE") || k == QStringLiteral("PAGENO") ? 7 : 8);
        if (k == QStringLiteral("PAPER") && w.size() >= 2) {
            const QString p = w[1].toUpper();
            layout->paper = p == QStringLiteral("A5")   ? QPageSize::A5
                            : p == QStringLiteral("B5") ? QPageSize::JisB5
                                                        : QPageSize::A4;
            if (w.size() >= 3 && w[2].toUpper() == QStringLiteral("LANDSCAPE"))
                layout->orientation = QPageLayout::Landscape;
        } else if (k == QStringLiteral("FONT") && nums(1, {kFont})) {
            layout->fontSize = v[0];
        } else if (k == QStringLiteral("PAGES") && w.size() >= 2) {
            layout->pages = w[1];
        } else if ((k == QStringLiteral("TEXT") || k == QStringLiteral("FIELD") ||
                    k == QStringLiteral("ITEM") || k == QStringLiteral("TITLE") ||
                    k == QStringLiteral("PAGENO")) &&
                   elementWords && nums(1, {kPlace, kPlace, kPlace, kPlace, kFont})) {
            Element e;
            e.kind = k == QStringLiteral("TEXT")    ? Element::Kind::Text
                     : k == QStringLiteral("FIELD") ? Element::Kind::Field
                     : k == QStringLiteral("ITEM")  ? Element::Kind::Item
                     : k == QStringLiteral("TITLE") ? Element::Kind::Title
                                                    : Element::Kind::PageNo;
            e.x = v[0], e.y = v[1], e.w = v[2], e.h = v[3], e.size = v[4];
            e.align = alignment(w[6]);
            e.text = w.value(7);
            e.fallback = w.value(8);
            layout->elements.push_back(e);
        } else if (k == QStringLiteral("IMAGE") && w.size() >= 6 &&
                   nums(1, {kPlace, kPlace, kPlace, kPlace})) {
            Element e;
            e.kind = Element::Kind::Image;
            e.x = v[0], e.y = v[1], e.w = v[2], e.h = v[3];
            e.text = w[5];
            layout->elements.push_back(e);
        } else if ((k == QStringLiteral("LINE") || k == QStringLiteral("BOX")) &&
                   nums(1, {kPlace, kPlace, kPlace, kPlace})) {
            Element e;
            e.kind = k == QStringLiteral("LINE") ? Element::Kind::Line : Element::Kind::Box;
            e.x = v[0], e.y = v[1], e.w = v[2], e.h = v[3];
            if (w.size() >= 6) {
                if (!nums(5, {kPen}))
                    return bad(i + 1, lines[i]);
                e.pen = v[0];
            }
            layout->elements.push_back(e);
        } else if (k == QStringLiteral("TABLE") && w.size() >= 7 &&
                   nums(2, {kPlace, kPlace, kRowHeight, kRows, kFont})) {
            if (tableWithoutColumns())
                return false;
            if (v[3] != std::floor(v[3]))
                return bad(i + 1, lines[i]);
            Table t;
            t.data = w[1];
            t.x = v[0], t.y = v[1], t.rowHeight = v[2], t.rows = int(v[3]), t.size = v[4];
            if (w.size() >= 9 && w[7] == QStringLiteral("KEY")) {
                t.key = w[8].section(u'=', 0, 0);
                t.pageKey = w[8].section(u'=', 1);
            }
            layout->tables.push_back(t);
            table = &layout->tables.back();
            tableLine = i + 1;
        } else if (k == QStringLiteral("COL") && table && w.size() >= 4 && nums(1, {kPlace})) {
            table->columns.push_back({v[0], alignment(w[2]), w[3], w.value(4)});
        } else if (k == QStringLiteral("END")) {
            if (tableWithoutColumns())
                return false;
            table = nullptr;
        } else {
            return bad(i + 1, lines[i]);
        }
    }
    return !tableWithoutColumns();
}

bool Document::prepare(const Job& job, QString* error)
{
    job_ = &job;
    title_ = job.title;
    reports_.clear();
    pages_.clear();
    qint64 bytes = 0;
    qint64 fields = 0;
    const auto tooMuch = [&](const QString& path) {
        if (bytes <= kMaxJobBytes && fields <= kMaxJobFields)
            return false;
        *error = QStringLiteral("帳票データが多すぎます (1 回の印刷に %1 MB、%2 項目まで)。\r\n")
                     .arg(kMaxJobBytes >> 20)
                     .arg(kMaxJobFields) +
                 path;
        return true;
    };
    for (const Report& report : job.reports) {
        Prepared p;
        if (!readLayout(report.layout, &p.layout, error))
            return false;
        bytes += p.layout.bytes;
        if (tooMuch(report.layout))
            return false;
        for (const DataSource& d : report.data) {
            Csv csv;
            if (!readCsv(d.path, d.titles, &csv, error))
                return false;
            bytes += csv.bytes;
            fields += csv.fields;
            if (tooMuch(d.path))
                return false;
            p.data[d.name] = std::move(csv);
        }
        p.pageData =
            p.layout.pages.isEmpty() && !report.data.empty() ? report.data.front().name : p.layout.pages;
        // Every column the layout names must be there: a missing one is a wrong file, and
        // a report with empty places would pass for a good one.
        const auto check = [&](const QString& data, const QString& column) {
            const auto it = p.data.find(data);
            if (it == p.data.end()) {
                *error = QStringLiteral("帳票データ「") + data +
                         QStringLiteral("」が指定されていません。\r\n") + report.layout;
                return false;
            }
            if (it->second.column(column) < 0) {
                *error = QStringLiteral("帳票データ「") + data + QStringLiteral("」に列「") + column +
                         QStringLiteral("」がありません。\r\n") + it->second.path;
                return false;
            }
            return true;
        };
        for (const Element& e : p.layout.elements) {
            if (e.kind != Element::Kind::Field && e.kind != Element::Kind::Image)
                continue;
            const bool other = e.text.contains(u'.');
            if (!check(other ? e.text.section(u'.', 0, 0) : p.pageData,
                       other ? e.text.section(u'.', 1) : e.text))
                return false;
        }
        for (const Table& t : p.layout.tables) {
            for (const TableColumn& c : t.columns)
                if (!check(t.data, c.column))
                    return false;
            if (!t.key.isEmpty() && (!check(t.data, t.key) || !check(p.pageData, t.pageKey)))
                return false;
        }
        const int report_ = int(reports_.size());
        const auto pageData = p.data.find(p.pageData);
        const int records = pageData == p.data.end() ? 0 : int(pageData->second.rows.size());
        if (pages_.size() + size_t(std::max(records, 1)) > size_t(kMaxPages)) {
            *error = QStringLiteral("帳票のページ数が多すぎます (上限 %1 ページ)。\r\n").arg(kMaxPages) +
                     report.layout;
            return false;
        }
        // The pictures are read while painting: what the data names must be fit to read now,
        // when a refusal still leaves nothing behind. A picture that is not there is drawn
        // as an empty frame.
        for (const Element& e : p.layout.elements) {
            if (e.kind != Element::Kind::Image)
                continue;
            for (int r = 0; r < std::max(records, 1); ++r) {
                const QString picture = value(p, records == 0 ? -1 : r, e.text);
                if (!picture.isEmpty() && QFileInfo::exists(localPath(picture)) &&
                    !checkJobFile(picture, QStringLiteral("画像ファイル"), kMaxPictureBytes, error))
                    return false;
            }
        }
        if (records == 0)
            pages_.push_back({report_, -1});
        for (int r = 0; r < records; ++r)
            pages_.push_back({report_, r});
        reports_.push_back(std::move(p));
    }
    return true;
}

QPageLayout Document::pageLayout(int page) const
{
    const Layout& l = reports_[size_t(pages_[size_t(page)].report)].layout;
    QPageSize::PageSizeId size = l.paper;
    if (job_->paper == QStringLiteral("A4"))
        size = QPageSize::A4;
    else if (job_->paper == QStringLiteral("A5"))
        size = QPageSize::A5;
    else if (job_->paper == QStringLiteral("B5"))
        size = QPageSize::JisB5;
    return QPageLayout(QPageSize(size), l.orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

QString Document::value(const Prepared& r, int record, const QString& ref) const
{
    QString data = r.pageData;
    QString column = ref;
    int row = record;
    if (ref.contains(u'.')) {
        data = ref.section(u'.', 0, 0);
        column = ref.section(u'.', 1);
        row = 0;
    }
    const auto it = r.data.find(data);
    if (it == r.data.end() || row < 0 || size_t(row) >= it->second.rows.size())
        return {};
    return it->second.rows[size_t(row)].value(it->second.column(column));
}

void Document::paint(QPainter& painter, int page) const
{
    const Page& pg = pages_[size_t(page)];
    const Prepared& r = reports_[size_t(pg.report)];
    const QPaintDevice* device = painter.device();
    const double dpiX = device->logicalDpiX();
    const double dpiY = device->logicalDpiY();
    // Offsets come in 0.1 mm; zoom type 1 fits the layout's page to the device's page.
    const double zoom = job_->zoom == 1 ? 0.95 : 1.0;
    const auto px = [&](double mm) { return (mm * zoom + job_->offsetX / 10.0) * dpiX / 25.4; };
    const auto py = [&](double mm) { return (mm * zoom + job_->offsetY / 10.0) * dpiY / 25.4; };
    const auto rect = [&](double x, double y, double w, double h) {
        return QRectF(px(x), py(y), w * zoom * dpiX / 25.4, h * zoom * dpiY / 25.4);
    };
    const auto font = [&](double points) {
        QFont f(fontFamily());
        f.setPointSizeF(points * zoom);
        return f;
    };
    const auto pen = [&](double mm) { return QPen(Qt::black, std::max(1.0, mm * dpiX / 25.4)); };
    painter.save();
    for (const Element& e : r.layout.elements) {
        switch (e.kind) {
        case Element::Kind::Text:
        case Element::Kind::Field:
        case Element::Kind::Item:
        case Element::Kind::Title:
        case Element::Kind::PageNo: {
            QString text = e.text;
            if (e.kind == Element::Kind::Field) {
                text = value(r, pg.record, e.text);
            } else if (e.kind == Element::Kind::Item) {
                text = e.fallback;
                const QString base = QFileInfo(localPath(r.layout.path)).completeBaseName();
                for (const auto& [key, v] : job_->items)
                    if (key == e.text || key == base + u'.' + e.text)
                        text = v;
            } else if (e.kind == Element::Kind::Title) {
                text = title_;
            } else if (e.kind == Element::Kind::PageNo) {
                text = QStringLiteral("%1 / %2").arg(page + 1).arg(pageCount());
            }
            painter.setFont(font(e.size));
            painter.setPen(Qt::black);
            painter.drawText(rect(e.x, e.y, e.w, e.h), int(qtAlign(e.align)) | Qt::TextWordWrap, text);
            break;
        }
        case Element::Kind::Image: {
            const QString picture = value(r, pg.record, e.text);
            const QImage image = picture.isEmpty() ? QImage() : QImageReader(localPath(picture)).read();
            const QRectF area = rect(e.x, e.y, e.w, e.h);
            if (image.isNull()) {
                painter.setPen(pen(0.2));
                painter.drawRect(area);
                painter.setFont(font(9));
                painter.drawText(area, Qt::AlignCenter, QStringLiteral("画像がありません"));
            } else {
                const QSizeF fitted = QSizeF(image.size()).scaled(area.size(), Qt::KeepAspectRatio);
                painter.drawImage(QRectF(area.topLeft(), fitted), image);
            }
            break;
        }
        case Element::Kind::Line:
            painter.setPen(pen(e.pen));
            painter.drawLine(QPointF(px(e.x), py(e.y)), QPointF(px(e.w), py(e.h)));
            break;
        case Element::Kind::Box:
            painter.setPen(pen(e.pen));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect(e.x, e.y, e.w, e.h));
            break;
        }
    }
    for (const Table& t : r.layout.tables) {
        const Csv& csv = r.data.at(t.data);
        const QString pageKey = t.pageKey.isEmpty() ? QString() : value(r, pg.record, t.pageKey);
        double x = t.x;
        painter.setFont(font(t.size));
        painter.setPen(pen(0.2));
        for (const TableColumn& c : t.columns) {
            painter.drawRect(rect(x, t.y, c.width, t.rowHeight));
            painter.drawText(rect(x + 1, t.y, c.width - 2, t.rowHeight), Qt::AlignCenter, c.title);
            x += c.width;
        }
        // The repeat start leaves the first lines empty (a form partly used already).
        int line = std::max(0, job_->repeatStart - 1);
        for (const QStringList& row : csv.rows) {
            if (line >= t.rows)
                break;
            if (!t.key.isEmpty() && row.value(csv.column(t.key)) != pageKey)
                continue;
            const double y = t.y + t.rowHeight * (line + 1);
            x = t.x;
            for (const TableColumn& c : t.columns) {
                painter.drawRect(rect(x, y, c.width, t.rowHeight));
                painter.drawText(rect(x + 1, y, c.width - 2, t.rowHeight), int(qtAlign(c.align)),
                                 row.value(csv.column(c.column)));
                x += c.width;
            }
            ++line;
        }
    }
    painter.restore();
}

bool paintAll(const Document& doc, QPagedPaintDevice& device)
{
    QPainter painter;
    for (int p = 0; p < doc.pageCount(); ++p) {
        device.setPageLayout(doc.pageLayout(p));
        if (p == 0 ? !painter.begin(&device) : !device.newPage())
            return false;
        doc.paint(painter, p);
    }
    return painter.end();
}

bool writePdf(const Document& doc, const QString& path, QString* error)
{
    const QString partial = path + QStringLiteral(".part");
    bool painted = false;
    {
        QPdfWriter pdf(partial);
        pdf.setResolution(300);
        pdf.setTitle(doc.title());
        pdf.setCreator(QStringLiteral("wfrfv10"));
        painted = paintAll(doc, pdf);
    }
    if (!painted || !QFileInfo(partial).isFile() || (QFile::exists(path) && !QFile::remove(path)) ||
        !QFile::rename(partial, path)) {
        QFile::remove(partial);
        *error = QStringLiteral("PDF ファイルを書き込めません。\r\n") + path;
        return false;
    }
    return true;
}

} // namespace wfr
