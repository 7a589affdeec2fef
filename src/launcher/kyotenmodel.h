#pragma once

#include "state/state.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QStyledItemDelegate>
#include <array>
#include <memory>
#include <vector>

// The bases as the launcher's two views show them: the icon view (name under the icon) and
// the text list ("0102：本店(東京)"). Nothing is built per base until a view asks for it,
// so only the rows on screen cost anything.
class KyotenListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum class Shows { Icons, Lines };
    enum Role {
        KeyRole = Qt::UserRole,          // "KEY:" + base id
        SubItemsRole = Qt::UserRole + 1, // the eleven KYOTEN columns as texts
        IconRole = Qt::UserRole + 2,     // the icon number
    };

    // pictures: the base pictures by icon number, owned by the window.
    KyotenListModel(Shows shows, const std::array<QIcon, 5>* pictures, QObject* parent = nullptr);

    // Shows these bases; both views of the launcher share one copy of the rows.
    void setBases(std::shared_ptr<const std::vector<tKyoten>> bases);
    // Shows no base.
    void clear();
    // The base of a row; null outside the rows.
    const tKyoten* base(int row) const;
    // After the pictures changed.
    void picturesChanged();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    Shows shows_;
    const std::array<QIcon, 5>* pictures_;
    std::shared_ptr<const std::vector<tKyoten>> bases_;
};

// Every icon cell of the same size, with room for the name in two lines under the icon:
// the view's uniform item size is the first item's size hint, and a short first name
// would otherwise cut every longer name after it to one character.
class KyotenIconDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    // The cell for an icon of iconSize and two lines of the font, at most gridWidth wide.
    static QSize cellSize(const QSize& iconSize, const QFontMetrics& metrics, int gridWidth);
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The tool tip of a base: area, name and base number, so that
// bases whose names start alike can be told apart.
QString kyotenToolTip(const tKyoten& k);
