#include "framework/comctrls/ListView_p.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace listview_detail {

// --------------------------------------------------------- ListItemModel --

ListItemModel::ListItemModel(TListItems &Items)
    : FItems(Items), FSelection(new QItemSelectionModel(this, this))
{
    FFrameTimer.setSingleShot(true);
    FFrameTimer.setInterval(FrameMilliseconds);
    QObject::connect(&FFrameTimer, &QTimer::timeout, this, [this] {
        if (FUpdateCount == 0)
            flush();
    });
    QObject::connect(FSelection, &QItemSelectionModel::selectionChanged, this,
                     [this](const QItemSelection &Selected, const QItemSelection &Deselected) {
                         selectionChanged(Selected, Deselected);
                     });
}

ListItemModel::~ListItemModel()
{
    // The selection is a child and goes with this model; no events from it.
    FSelection->disconnect(this);
}

TListItem *ListItemModel::itemAt(int Row) const
{
    return FItems.FItems[static_cast<std::size_t>(Row)].get();
}

void ListItemModel::rowsAppended()
{
    if (FUpdateCount == 0 && !FFrameTimer.isActive())
        FFrameTimer.start();
}

void ListItemModel::flush()
{
    const int count = FItems.Count();
    FFrameTimer.stop();
    if (FShown >= count)
        return;
    beginInsertRows({}, FShown, count - 1);
    FShown = count;
    endInsertRows();
}

void ListItemModel::beginInsert(int Row)
{
    flush();
    beginInsertRows({}, Row, Row);
}

void ListItemModel::endInsert()
{
    ++FShown;
    endInsertRows();
}

void ListItemModel::beginRemove(int Row)
{
    // A row still waiting for its frame was never shown: nothing to tell.
    if (Row < FShown)
        beginRemoveRows({}, Row, Row);
}

void ListItemModel::endRemove()
{
    // The store has shrunk; it is shorter than FShown only when a shown row went.
    if (FItems.Count() < FShown) {
        --FShown;
        endRemoveRows();
    }
}

void ListItemModel::beginClear()
{
    FFrameTimer.stop();
    beginResetModel();
}

void ListItemModel::endClear()
{
    FShown = 0;
    endResetModel();
}

void ListItemModel::rowChanged(int Row, int Column)
{
    if (Row < 0 || Row >= FShown)
        return;
    const int first = Column < 0 ? 0 : Column;
    const int last = Column < 0 ? columnCount() - 1 : Column;
    emit dataChanged(index(Row, first), index(Row, last));
}

void ListItemModel::beginUpdate()
{
    ++FUpdateCount;
}

void ListItemModel::endUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        flush();
}

void ListItemModel::sort(TLVCompare Compare, std::intptr_t Data)
{
    flush();
    auto &store = FItems.FItems;
    if (store.size() < 2)
        return;

    // Sorting plain pointers leaves the store whole if Compare throws.
    std::vector<TListItem *> order;
    order.reserve(store.size());
    for (const auto &item : store)
        order.push_back(item.get());
    if (Compare) {
        std::stable_sort(order.begin(), order.end(), [Compare, Data](TListItem *a, TListItem *b) {
            return Compare(a, b, Data) < 0;
        });
    } else {
        std::stable_sort(order.begin(), order.end(), [](TListItem *a, TListItem *b) {
            return QString::localeAwareCompare(QString::fromStdString(a->Caption()),
                                               QString::fromStdString(b->Caption())) < 0;
        });
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    if (!from.isEmpty()) {
        // Each item still carries its old row.
        std::vector<int> newRow(order.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            newRow[static_cast<std::size_t>(order[i]->FIndex)] = static_cast<int>(i);
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex &old : from)
            to.append(index(newRow[static_cast<std::size_t>(old.row())], old.column()));
        changePersistentIndexList(from, to);
    }
    for (auto &item : store)
        (void)item.release(); // each is owned again just below
    for (std::size_t i = 0; i < order.size(); ++i)
        store[i].reset(order[i]);
    FItems.renumber(0);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListItemModel::setColumns(const std::vector<QString> &Captions)
{
    const int before = columnCount();
    const int after = std::max<int>(1, static_cast<int>(Captions.size()));
    if (after > before) {
        beginInsertColumns({}, before, after - 1);
        FColumns = Captions;
        endInsertColumns();
    } else if (after < before) {
        beginRemoveColumns({}, after, before - 1);
        FColumns = Captions;
        endRemoveColumns();
    } else {
        FColumns = Captions;
    }
    emit headerDataChanged(Qt::Horizontal, 0, after - 1);
}

void ListItemModel::setImages(ImageSource State, ImageSource Small)
{
    FStateImages = std::move(State);
    FSmallImages = std::move(Small);
    FDecorations.clear();
    if (FShown > 0)
        emit dataChanged(index(0, 0), index(FShown - 1, 0), {Qt::DecorationRole});
}

QSize ListItemModel::decorationSize() const
{
    int width = 0;
    int height = 0;
    for (const ImageSource *images : {&FStateImages, &FSmallImages}) {
        if (*images) {
            width += images->width;
            height = std::max(height, images->height);
        }
    }
    return {width, height};
}

QPixmap ListItemModel::decoration(int StateIndex, int ImageIndex) const
{
    const qint64 key = (static_cast<qint64>(StateIndex) << 32) ^ static_cast<quint32>(ImageIndex);
    auto cached = FDecorations.constFind(key);
    if (cached != FDecorations.constEnd())
        return *cached;

    // The state image sits left of the small image; an index of -1 leaves its
    // place empty so that captions line up.
    const QSize size = decorationSize();
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    int x = 0;
    for (auto [images, index] :
         {std::pair{&FStateImages, StateIndex}, {&FSmallImages, ImageIndex}}) {
        if (!*images)
            continue;
        if (index >= 0) {
            const QPixmap image = images->pixmap(index);
            if (!image.isNull())
                painter.drawPixmap(x, (size.height() - images->height) / 2, image);
        }
        x += images->width;
    }
    painter.end();
    FDecorations.insert(key, picture);
    return picture;
}

void ListItemModel::setMultiSelect(bool Value)
{
    if (Value == FMultiSelect)
        return;
    FMultiSelect = Value;
    if (!FMultiSelect) {
        const int keep = firstSelected();
        if (keep >= 0)
            FSelection->select(index(keep, 0),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

bool ListItemModel::isSelected(int Row) const
{
    return Row >= 0 && Row < FShown && FSelection->isSelected(index(Row, 0));
}

void ListItemModel::setSelected(int Row, bool Value)
{
    flush();
    if (Row < 0 || Row >= FShown)
        return;
    const QModelIndex at = index(Row, 0);
    if (Value) {
        const auto how =
            FMultiSelect ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect;
        FSelection->select(at, how | QItemSelectionModel::Rows);
        FSelection->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
    } else {
        FSelection->select(at, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }
}

int ListItemModel::firstSelected() const
{
    int first = -1;
    for (const QItemSelectionRange &range : FSelection->selection())
        if (first < 0 || range.top() < first)
            first = range.top();
    return first;
}

void ListItemModel::selectionChanged(const QItemSelection &Selected,
                                     const QItemSelection &Deselected)
{
    if (!onSelectItem)
        return;
    const auto rowsOf = [](const QItemSelection &selection) {
        std::vector<int> rows;
        for (const QItemSelectionRange &range : selection)
            for (int row = range.top(); row <= range.bottom(); ++row)
                rows.push_back(row);
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        return rows;
    };
    // A handler may change the list, so each row is checked as it comes.
    for (int row : rowsOf(Deselected))
        if (row < FItems.Count())
            onSelectItem(itemAt(row), false);
    for (int row : rowsOf(Selected))
        if (row < FItems.Count())
            onSelectItem(itemAt(row), true);
}

QModelIndex ListItemModel::index(int Row, int Column, const QModelIndex &Parent) const
{
    if (Parent.isValid() || Row < 0 || Row >= FShown || Column < 0 || Column >= columnCount())
        return {};
    return createIndex(Row, Column);
}

QModelIndex ListItemModel::parent(const QModelIndex &) const
{
    return {};
}

int ListItemModel::rowCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : FShown;
}

int ListItemModel::columnCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(FColumns.size()));
}

QVariant ListItemModel::data(const QModelIndex &Index, int Role) const
{
    if (!Index.isValid() || Index.row() >= FShown)
        return {};
    const TListItem *item = itemAt(Index.row());
    const int column = Index.column();
    switch (Role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column == 0)
            return QString::fromStdString(item->FCaption);
        if (item->FSubItems && column - 1 < item->FSubItems->Count())
            return QString::fromStdString(item->FSubItems->Get(column - 1));
        return QString();
    case Qt::DecorationRole:
        if (column == 0 && (FStateImages || FSmallImages))
            return decoration(item->FStateIndex, item->FImageIndex);
        return {};
    case Qt::ToolTipRole:
        // Plain text, in columns: never taken for markup a name might hold.
        if (item->FHint.empty())
            return {};
        return QStringLiteral("<pre>") + QString::fromStdString(item->FHint).toHtmlEscaped() +
               QStringLiteral("</pre>");
    default:
        return {};
    }
}

QVariant ListItemModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole || Section < 0 ||
        Section >= static_cast<int>(FColumns.size()))
        return {};
    return FColumns[static_cast<std::size_t>(Section)];
}

Qt::ItemFlags ListItemModel::flags(const QModelIndex &Index) const
{
    if (!Index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (FEditable && Index.column() == 0)
        result |= Qt::ItemIsEditable;
    return result;
}

bool ListItemModel::setData(const QModelIndex &Index, const QVariant &Value, int Role)
{
    if (!Index.isValid() || Index.column() != 0 || Role != Qt::EditRole || Index.row() >= FShown)
        return false;
    TListItem *item = itemAt(Index.row());
    String text = Value.toString().toStdString();
    if (onEdited)
        onEdited(item, text);
    item->SetCaption(text);
    return true;
}

// ------------------------------------------------------ ListItemDelegate --

void ListItemDelegate::paint(QPainter *Painter, const QStyleOptionViewItem &Option,
                             const QModelIndex &Index) const
{
    if (rowSelect || Index.column() == 0) {
        QStyledItemDelegate::paint(Painter, Option, Index);
        return;
    }
    QStyleOptionViewItem plain(Option);
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    QStyledItemDelegate::paint(Painter, plain, Index);
}

QWidget *ListItemDelegate::createEditor(QWidget *Parent, const QStyleOptionViewItem &Option,
                                        const QModelIndex &Index) const
{
    const auto *model = dynamic_cast<const ListItemModel *>(Index.model());
    if (model && model->onEditing && Index.row() < model->shownRows() &&
        !model->onEditing(model->itemAt(Index.row())))
        return nullptr;
    return QStyledItemDelegate::createEditor(Parent, Option, Index);
}

// ---------------------------------------------------------- ListTreeView --

ListTreeView::ListTreeView(QWidget *Parent)
    : QTreeView(Parent), FDelegate(new ListItemDelegate(this))
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(EditKeyPressed | SelectedClicked | DoubleClicked);
    setItemDelegate(FDelegate);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void ListTreeView::setListModel(ListItemModel *Model)
{
    setModel(Model);
    QItemSelectionModel *own = selectionModel();
    if (Model && own != Model->selection()) {
        setSelectionModel(Model->selection());
        delete own; // the view made it for the model; the model's own is shared
    }
}

void ListTreeView::mousePressEvent(QMouseEvent *Event)
{
    // The platform's list drops the selection when empty space is clicked.
    if (!indexAt(Event->position().toPoint()).isValid() && selectionModel())
        selectionModel()->clearSelection();
    QTreeView::mousePressEvent(Event);
}

bool ListTreeView::editCaption(int Row)
{
    const QModelIndex caption = model() ? model()->index(Row, 0) : QModelIndex();
    if (!caption.isValid())
        return false;
    setCurrentIndex(caption);
    // A refusal from onEditing still counts as handled for Qt.
    return edit(caption, AllEditTriggers, nullptr) && editing();
}

bool ListTreeView::edit(const QModelIndex &Index, EditTrigger Trigger, QEvent *Event)
{
    // F2 and programmatic edits on a row edit its caption, whichever cell is
    // current; clicks edit only when they hit the caption.
    QModelIndex target = Index;
    if (Index.isValid() && Index.column() != 0 &&
        (Trigger == EditKeyPressed || Trigger == AllEditTriggers))
        target = Index.siblingAtColumn(0);
    return QTreeView::edit(target, Trigger, Event);
}

} // namespace listview_detail
