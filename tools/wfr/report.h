#pragma once

#include "wfr.h"

#include <QPageLayout>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;
class QPagedPaintDevice;

namespace wfr
{

// One drawn element of a layout; positions and sizes in millimetres, font sizes in points.
struct Element {
    enum class Kind { Text, Field, Item, Image, Line, Box, Title, PageNo };
    Kind kind = Kind::Text;
    double x = 0, y = 0, w = 0, h = 0;
    double size = 10;
    QChar align = u'L';
    QString text; // literal, column, item key or data.column
    QString fallback;
    double pen = 0.3;
};

struct TableColumn {
    double width = 20;
    QChar align = u'L';
    QString column;
    QString title;
};

// Detail rows: one line per record of a data source (optionally only the records whose
// key column matches the page's record).
struct Table {
    QString data;
    double x = 0, y = 0, rowHeight = 6;
    int rows = 10;
    double size = 9;
    QString key;     // column of the table's data
    QString pageKey; // column of the page's data
    std::vector<TableColumn> columns;
};

struct Layout {
    QString path;
    qint64 bytes = 0;
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double fontSize = 10;
    QString pages; // the data source with one page per record
    std::vector<Element> elements;
    std::vector<Table> tables;
};

bool readLayout(const QString& path, Layout* layout, QString* error);

// A job made ready to draw: layouts read, data read and checked against every column the
// layouts name. Pages are counted over all reports.
class Document
{
public:
    bool prepare(const Job& job, QString* error);
    int pageCount() const { return int(pages_.size()); }
    QPageLayout pageLayout(int page) const;
    // Draws a page on a painter of any device (PDF, printer, preview picture).
    void paint(QPainter& painter, int page) const;
    QString title() const { return title_; }

private:
    struct Prepared {
        Layout layout;
        std::map<QString, Csv> data;
        QString pageData;
    };
    struct Page {
        int report;
        int record; // -1: a page without a record
    };
    QString value(const Prepared& r, int record, const QString& ref) const;

    const Job* job_ = nullptr;
    QString title_;
    std::vector<Prepared> reports_;
    std::vector<Page> pages_;
};

// Draws every page on a device that takes new pages (PDF writer, printer); false when the
// device cannot be painted on.
bool paintAll(const Document& doc, QPagedPaintDevice& device);

// Writes the document as a PDF: to "<path>.part" first, renamed to the path once whole, so
// that a reader never takes a half-written report for a whole one. After a failure
// neither file is there.
bool writePdf(const Document& doc, const QString& path, QString* error);

} // namespace wfr
