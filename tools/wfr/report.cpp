#include "report.h"

#include "platform/textfile.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>

namespace wfr
{

namespace
{

bool number(const QString& text, double* out)
{
    bool ok = false;
    *out = text.toDouble(&ok);
    return ok;
}

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
    QStringList lines;
    if (!QFileInfo(localPath(path)).isFile() || !textfile::readLines(localPath(path), &lines)) {
        *error = QStringLiteral("帳票定義ファイルが見つかりません。\r\n") + path;
        return false;
    }
    const auto bad = [&](int lineNo, const QString& line) {
        *error = QStringLiteral("帳票定義ファイルの %1 行目が読めません。\r\n").arg(lineNo) + path +
                 QStringLiteral("\r\n") + line;
        return false;
    };
    if (lines.isEmpty() || words(lines[0]) != QStringList{QStringLiteral("WFD"), QStringLiteral("1")})
        return bad(1, lines.value(0));
    Table* table = nullptr;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList w = words(lines[i]);
        if (w.isEmpty() || w[0].startsWith(u';'))
            continue;
        const QString& k = w[0];
        double v[5] = {};
        const auto nums = [&](int from, int count) {
            if (w.size() < from + count)
                return false;
            for (int j = 0; j < count; ++j)
                if (!number(w[from + j], &v[j]))
                    return false;
            return true;
        };
        if (k == QStringLiteral("PAPER") && w.size() >= 2) {
            const QString p = w[1].toUpper();
            layout->paper = p == QStringLiteral("A5")   ? QPageSize::A5
                            : p == QStringLiteral("B5") ? QPageSize::JisB5
                                                        : QPageSize::A4;
            if (w.size() >= 3 && w[2].toUpper() == QStringLiteral("LANDSCAPE"))
                layout->orientation = QPageLayout::Landscape;
        } else if (k == QStringLiteral("FONT") && nums(1, 1)) {
            layout->fontSize = v[0];
        } else if (k == QStringLiteral("PAGES") && w.size() >= 2) {
            layout->pages = w[1];
        } else if ((k == QStringLiteral("TEXT") || k == QStringLiteral("FIELD") ||
                    k == QStringLiteral("ITEM")) &&
                   nums(1, 5) && w.size() >= 8) {
            Element e;
            e.kind = k == QStringLiteral("TEXT")    ? Element::Kind::Text
                     : k == QStringLiteral("FIELD") ? Element::Kind::Field
                                                    : Element::Kind::Item;
            e.x = v[0], e.y = v[1], e.w = v[2], e.h = v[3], e.size = v[4];
            e.align = alignment(w[6]);
            e.text = w[7];
            e.fallback = w.value(8);
            layout->elements.push_back(e);
        } else if ((k == QStringLiteral("TITLE") || k == QStringLiteral("PAGENO")) && nums(1, 5) &&
                   w.size() >= 7) {
            Element e;
            e.kind = k == QStringLiteral("TITLE") ? Element::Kind::Title : Element::Kind::PageNo;
            e.x = v[0], e.y = v[1], e.w = v[2], e.h = v[3], e.size = v[4];
            e.align = alignment(w[6]);
            layout->elements.push_back(e);
        } else if (k == QStringLiteral("IMAGE") && nums(1, 4) && w.size() >= 6) {
            Element e;
            e.kind = Element::Kind::Image;
            e.x = v[0], e.y = v[1], e.w = v[2], e.h = v[3];
            e.text = w[5];
            layout->elements.push_back(e);
        } else if ((k == QStringLiteral("LINE") || k == QStringLiteral("BOX")) && nums(1, 4)) {
            Element e;
            e.kind = k == QStringLiteral("LINE") ? Element::Kind::Line : Element::Kind::Box;
            e.x = v[0], e.y = v[1], e.w = v[2], e.h = v[3];
            if (w.size() >= 6 && !number(w[5], &e.pen))
                return bad(i + 1, lines[i]);
            layout->elements.push_back(e);
        } else if (k == QStringLiteral("TABLE") && w.size() >= 7 && nums(2, 5)) {
            Table t;
            t.data = w[1];
            t.x = v[0], t.y = v[1], t.rowHeight = v[2], t.rows = int(v[3]), t.size = v[4];
            if (w.size() >= 9 && w[7] == QStringLiteral("KEY")) {
                t.key = w[8].section(u'=', 0, 0);
                t.pageKey = w[8].section(u'=', 1);
            }
            layout->tables.push_back(t);
            table = &layout->tables.back();
        } else if (k == QStringLiteral("COL") && table && nums(1, 1) && w.size() >= 4) {
            table->columns.push_back({v[0], alignment(w[2]), w[3], w.value(4)});
        } else if (k == QStringLiteral("END")) {
            table = nullptr;
        } else {
            return bad(i + 1, lines[i]);
        }
    }
    return true;
}

bool Document::prepare(const Job& job, QString* error)
{
    job_ = &job;
    title_ = job.title;
    reports_.clear();
    pages_.clear();
    for (const Report& report : job.reports) {
        Prepared p;
        if (!readLayout(report.layout, &p.layout, error))
            return false;
        for (const DataSource& d : report.data) {
            Csv csv;
            if (!readCsv(d.path, d.titles, &csv, error))
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
            QImageReader reader(localPath(value(r, pg.record, e.text)));
            const QImage image = reader.read();
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

} // namespace wfr
