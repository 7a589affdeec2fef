#include "lookup/postalmodel.h"

#include "db/cT_ADODB.h"

PostalModel::PostalModel(QObject* parent) : QAbstractTableModel(parent) {}

void PostalModel::fill(Recordset& rs)
{
    beginResetModel();
    rows_.clear();
    // Column positions once, by name, instead of a name look-up per field.
    int code = -1, name = -1, kana = -1, street = -1, business = -1;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const QString column = rs.columnName(i);
        if (column == QStringLiteral("〒"))
            code = i;
        else if (column == QStringLiteral("名称"))
            name = i;
        else if (column == QStringLiteral("かな"))
            kana = i;
        else if (column == QStringLiteral("番地"))
            street = i;
        else if (column == QStringLiteral("事業所名"))
            business = i;
    }
    rows_.reserve(rs.rowCount());
    const auto text = [&rs](int i) { return i < 0 ? QString() : csNullToStr(rs.field(i)); };
    for (; !rs.eof(); rs.moveNext())
        rows_.push_back({text(code), text(name), text(kana), text(street), text(business)});
    endResetModel();
}

void PostalModel::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int PostalModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int PostalModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PostalModel::data(const QModelIndex& index, int role) const
{
    // A long address or business name that its column cuts shows whole as a tip.
    const bool tip = role == Qt::ToolTipRole && (index.column() == Name || index.column() == Business);
    if ((role != Qt::DisplayRole && !tip) || !index.isValid() || size_t(index.row()) >= rows_.size())
        return {};
    const Row& r = rows_[size_t(index.row())];
    switch (index.column()) {
    case Code:
        return r.code;
    case Name:
        return r.address();
    case Kana:
        return r.kana;
    case Business:
        return r.business;
    default:
        return {};
    }
}

QVariant PostalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const QString titles[] = {QStringLiteral("〒"), QStringLiteral("名称"), QStringLiteral("かな"),
                                     QStringLiteral("事業所名")};
    return section >= 0 && section < ColumnCount ? titles[section] : QVariant();
}
