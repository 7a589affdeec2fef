#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

class Recordset;

// The rows of a postal-code search for the result grid: columns 〒, 名称, かな. The grid
// asks only for the rows it paints, so a search over the whole dictionary costs one copy
// of its texts.
class PostalModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Row {
        QString code;
        QString name;
        QString kana;
    };

    explicit PostalModel(QObject* parent = nullptr);

    // Replaces the rows with those of the recordset (columns by name: 〒, 名称, かな; a
    // missing かな column gives empty readings).
    void fill(Recordset& rs);
    void clear();
    const Row& row(int index) const { return rows_[size_t(index)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<Row> rows_;
};
