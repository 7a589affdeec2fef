#include "launcher/kyotenmodel.h"

#include "launcher/baselist.h"

#include <QAbstractItemView>

KyotenListModel::KyotenListModel(Shows shows, const std::array<QIcon, 5>* pictures, QObject* parent)
    : QAbstractListModel(parent), shows_(shows), pictures_(pictures)
{
}

void KyotenListModel::setBases(std::shared_ptr<const std::vector<tKyoten>> bases)
{
    beginResetModel();
    bases_ = std::move(bases);
    endResetModel();
}

void KyotenListModel::clear()
{
    if (rowCount() == 0)
        return;
    beginResetModel();
    bases_.reset();
    endResetModel();
}

const tKyoten* KyotenListModel::base(int row) const
{
    return row >= 0 && row < rowCount() ? &(*bases_)[size_t(row)] : nullptr;
}

void KyotenListModel::picturesChanged()
{
    if (rowCount() > 0 && shows_ == Shows::Icons)
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
}

int KyotenListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !bases_ ? 0 : int(bases_->size());
}

QVariant KyotenListModel::data(const QModelIndex& index, int role) const
{
    const tKyoten* k = base(index.row());
    if (!k || index.column() != 0)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return shows_ == Shows::Icons ? k->cKyotenName : kyotenListLine(*k);
    case Qt::DecorationRole:
        if (shows_ == Shows::Icons) {
            const int icon = kyotenIcon(*k);
            return (*pictures_)[size_t(icon >= 0 && icon < int(pictures_->size()) ? icon : 0)];
        }
        return {};
    case Qt::ToolTipRole:
        return kyotenToolTip(*k);
    case KeyRole:
        return kyotenItemKey(*k);
    case SubItemsRole:
        return kyotenSubItems(*k);
    case IconRole:
        return kyotenIcon(*k);
    default:
        return {};
    }
}

namespace
{

constexpr int kCellMargin = 4; // around the icon and the text, as the style draws them

} // namespace

QSize KyotenIconDelegate::cellSize(const QSize& iconSize, const QFontMetrics& metrics, int gridWidth)
{
    return QSize(gridWidth - 2 * kCellMargin,
                 iconSize.height() + 2 * metrics.lineSpacing() + 3 * kCellMargin);
}

QSize KyotenIconDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const auto* view = qobject_cast<const QAbstractItemView*>(parent());
    const int gridWidth = view && view->property("gridSize").toSize().isValid()
                              ? view->property("gridSize").toSize().width()
                              : option.decorationSize.width() * 2;
    return cellSize(option.decorationSize, option.fontMetrics, gridWidth);
}

QString kyotenToolTip(const tKyoten& k)
{
    return QStringLiteral("エリア：") + k.cAreaName + QStringLiteral("\n拠点名：") + k.cKyotenName +
           QStringLiteral("\n拠点番号：") + baseId(k.iKyotenCd, k.iKyotenEb);
}
