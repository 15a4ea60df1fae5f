#pragma once

// The list view's Qt side: the model over the item store and the view that
// shows it. Private to the framework.

#include "framework/ComCtrls.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <functional>

namespace listview_detail {

// An image list as the model sees it: a size and an image per index (a null
// pixmap for an index it does not have).
struct ImageSource
{
    int width = 0;
    int height = 0;
    std::function<QPixmap(int Index)> pixmap;

    explicit operator bool() const { return static_cast<bool>(pixmap); }
};

// An item's sub-items: tells the item when they change so its row repaints.
class SubItems final : public TStringList
{
public:
    explicit SubItems(TListItem &Item) : FItem(Item) {}

protected:
    void Changed() override;

private:
    TListItem &FItem;
};

// The Qt model over a TListItems store. Rows appended to the store become
// visible in batches: at most once per display frame, when the store's update
// block ends, or when a caller needs every row (selection, sorting, scrolling).
// A view shown while a loop appends one row at a time and pumps messages thus
// sees one insertion and one relayout per frame, not per row.
class ListItemModel final : public QAbstractItemModel
{
public:
    // How long appended rows may wait before the view is told: one frame.
    static constexpr int FrameMilliseconds = 16;

    explicit ListItemModel(TListItems &Items);
    ~ListItemModel() override;

    // The selection, shared by every view of this model.
    QItemSelectionModel *selection() const { return FSelection; }

    // The store calls these around its changes.
    void rowsAppended();
    void beginInsert(int Row);
    void endInsert();
    void beginRemove(int Row);
    void endRemove();
    void beginClear();
    void endClear();
    // Column -1: every column.
    void rowChanged(int Row, int Column);
    void beginUpdate();
    void endUpdate();

    // Tells the views about every row appended so far.
    void flush();
    // Rows the views know about; the rest are waiting for the next frame.
    int shownRows() const { return FShown; }

    // Stable sort of the store; the views see one layout change.
    void sort(TLVCompare Compare, std::intptr_t Data);

    // Presentation, set by the control.
    void setColumns(const std::vector<QString> &Captions);
    void setImages(ImageSource State, ImageSource Small);
    // The size of the picture drawn before a caption (empty without images).
    QSize decorationSize() const;
    void setEditable(bool Value) { FEditable = Value; }
    void setMultiSelect(bool Value);

    bool isSelected(int Row) const;
    void setSelected(int Row, bool Value);
    // The lowest selected row, or -1.
    int firstSelected() const;

    // Called for every row that gains or loses the selection, losses first.
    std::function<void(TListItem *Item, bool Selected)> onSelectItem;
    // Asked before an in-place edit starts; false refuses it.
    std::function<bool(TListItem *Item)> onEditing;
    // Called when an in-place edit commits; may change the text. Without it
    // the caption is set as typed.
    std::function<void(TListItem *Item, String &Text)> onEdited;

    QModelIndex index(int Row, int Column, const QModelIndex &Parent = {}) const override;
    QModelIndex parent(const QModelIndex &Child) const override;
    int rowCount(const QModelIndex &Parent = {}) const override;
    int columnCount(const QModelIndex &Parent = {}) const override;
    QVariant data(const QModelIndex &Index, int Role) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;
    Qt::ItemFlags flags(const QModelIndex &Index) const override;
    bool setData(const QModelIndex &Index, const QVariant &Value, int Role) override;

private:
public:
    // The item of a shown row.
    TListItem *itemAt(int Row) const;

private:
    QPixmap decoration(int StateIndex, int ImageIndex) const;
    void selectionChanged(const QItemSelection &Selected, const QItemSelection &Deselected);

    TListItems &FItems;
    QItemSelectionModel *FSelection; // child of this model
    QTimer FFrameTimer;
    int FShown = 0;
    int FUpdateCount = 0;
    std::vector<QString> FColumns;
    ImageSource FStateImages;
    ImageSource FSmallImages;
    mutable QHash<qint64, QPixmap> FDecorations;
    bool FEditable = false;
    bool FMultiSelect = false;
};

// Draws the selection the way the platform's list does: across the whole row
// with RowSelect, else only behind the caption.
class ListItemDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool rowSelect = false;

    void paint(QPainter *Painter, const QStyleOptionViewItem &Option,
               const QModelIndex &Index) const override;
    // Asks the model's onEditing first.
    QWidget *createEditor(QWidget *Parent, const QStyleOptionViewItem &Option,
                          const QModelIndex &Index) const override;
};

// The report view: a flat tree with uniform row heights, where a click on
// empty space clears the selection and editing always edits the caption.
class ListTreeView final : public QTreeView
{
public:
    explicit ListTreeView(QWidget *Parent = nullptr);
    using QTreeView::edit;

    // Shows Model and shares its selection.
    void setListModel(ListItemModel *Model);
    ListItemDelegate &delegate() const { return *FDelegate; }
    bool editing() const { return state() == EditingState; }
    // Opens the caption editor of a shown row; false when refused.
    bool editCaption(int Row);

protected:
    void mousePressEvent(QMouseEvent *Event) override;
    bool edit(const QModelIndex &Index, EditTrigger Trigger, QEvent *Event) override;

private:
    ListItemDelegate *FDelegate; // child of this view
};

} // namespace listview_detail
