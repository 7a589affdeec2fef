#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

class Recordset;

// The rows of a postal-code search for the result grid: columns 〒, 名称, かな and 事業所名.
// A business's own code shows its street number after the town, and the business, so that
// the many codes of one town can be told apart. The grid asks only for the rows it paints,
// so a search over the whole dictionary costs one copy of its texts.
class PostalModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Code, Name, Kana, Business, ColumnCount };

    struct Row {
        QString code;
        QString name;
        QString kana;
        QString street;
        QString business;
        // The address as precise as the dictionary knows it.
        QString address() const { return name + street; }
    };

    explicit PostalModel(QObject* parent = nullptr);

    // Replaces the rows with those of the recordset (columns by name: 〒, 名称, かな, 番地,
    // 事業所名; a missing column gives empty texts).
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
