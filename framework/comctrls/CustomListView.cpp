#include "framework/ComCtrls.h"
#include "framework/TypInfo.h"
#include "framework/comctrls/ListView_p.h"

#include <QApplication>
#include <QHeaderView>
#include <QScopedValueRollback>

using listview_detail::ListItemModel;

// -------------------------------------------------------- TCustomListView --

const TEnumInfo ViewStyleInfo{"TViewStyle", {"vsIcon", "vsSmallIcon", "vsList", "vsReport"}};

const TClassInfo &TCustomListView::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomListView>("TCustomListView", &TWinControl::StaticClassInfo()).Build();
    return info;
}

TCustomListView::TCustomListView(TComponent *AOwner)
    : TWinControl(AOwner), FColumns(std::make_unique<TListColumns>(this)),
      FItems(std::make_unique<TListItems>(this))
{
    FSmallImagesLink.OnChange = TNotifyEvent([this](TObject *) { imagesChanged(); });
    FStateImagesLink.OnChange = TNotifyEvent([this](TObject *) { imagesChanged(); });
    SetTabStop(true);
    ListItemModel &model = FItems->Model();
    model.setEditable(!FReadOnly);
    model.onSelectItem = [this](TListItem *Item, bool Selected) {
        if (running())
            DoSelectItem(Item, Selected);
    };
    model.onEditing = [this](TListItem *Item) { return running() && CanEdit(Item); };
    model.onEdited = [this](TListItem *Item, String &Text) {
        if (running())
            Edit(Item, Text);
    };
}

TCustomListView::~TCustomListView()
{
    Destroying();
    if (auto *v = view())
        v->setModel(nullptr);
    // The image lists are left alone: when a common owner frees its
    // components, a list made after this view is already gone and no one said
    // so. The change links let go by themselves, and ~TComponent ends the free
    // notifications.
}

bool TCustomListView::running() const
{
    return !ComponentState().Contains(csDestroying);
}

listview_detail::ListTreeView *TCustomListView::view() const
{
    if (!WidgetAllocated())
        return nullptr;
    return static_cast<listview_detail::ListTreeView *>(
        const_cast<TCustomListView *>(this)->Widget());
}

QWidget *TCustomListView::CreateWidget()
{
    return new listview_detail::ListTreeView;
}

void TCustomListView::WidgetCreated()
{
    TWinControl::WidgetCreated();
    listview_detail::ListTreeView *v = view();
    v->setListModel(&FItems->Model());
    InstallMessageHooks(v->viewport());
    QObject::connect(v->header(), &QHeaderView::sectionClicked, v, [this](int Section) {
        if (FColumnClick && Section < FColumns->Count())
            ColClick(FColumns->Items(Section));
    });
    QObject::connect(v->header(), &QHeaderView::sectionResized, v,
                     [this](int Section, int, int NewSize) { headerResized(Section, NewSize); });
    columnsChanged();
    imagesChanged();
    applyViewOptions();
}

void TCustomListView::columnsChanged()
{
    std::vector<QString> captions;
    captions.reserve(static_cast<std::size_t>(FColumns->Count()));
    for (int i = 0; i < FColumns->Count(); ++i)
        captions.push_back(QString::fromStdString(FColumns->Items(i)->Caption()));
    FItems->Model().setColumns(captions);
    if (auto *v = view()) {
        {
            const QScopedValueRollback<bool> applying(FApplyingColumns, true);
            for (int i = 0; i < FColumns->Count(); ++i)
                v->header()->resizeSection(i, FColumns->Items(i)->Width());
        }
        applyViewOptions();
    }
}

void TCustomListView::headerResized(int Section, int NewSize)
{
    // The user dragged a header edge: the column keeps the width it now has.
    if (FApplyingColumns || Section >= FColumns->Count())
        return;
    FColumns->Items(Section)->FWidth = NewSize;
}

void TCustomListView::applyViewOptions()
{
    listview_detail::ListTreeView *v = view();
    if (!v)
        return;
    const bool report = FViewStyle == vsReport;
    v->setHeaderHidden(!(report && FShowColumnHeaders));
    for (int i = 1; i < FItems->Model().columnCount(); ++i)
        v->setColumnHidden(i, !report);
    v->header()->setSectionsClickable(FColumnClick);
    v->setSelectionMode(FMultiSelect ? QAbstractItemView::ExtendedSelection
                                     : QAbstractItemView::SingleSelection);
    v->delegate().rowSelect = FRowSelect;
    v->setAllColumnsShowFocus(FRowSelect);
    QPalette palette = v->palette();
    const QPalette standard = QApplication::palette(v);
    if (FHideSelection) {
        palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::transparent);
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         palette.color(QPalette::Inactive, QPalette::Text));
    } else {
        for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
            palette.setColor(QPalette::Inactive, role, standard.color(QPalette::Inactive, role));
    }
    v->setPalette(palette);
    v->viewport()->update();
}

void TCustomListView::SetViewStyle(TViewStyle Value)
{
    if (Value == FViewStyle)
        return;
    FViewStyle = Value;
    applyViewOptions();
}

void TCustomListView::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    FItems->Model().setEditable(!Value);
}

void TCustomListView::SetRowSelect(bool Value)
{
    if (Value == FRowSelect)
        return;
    FRowSelect = Value;
    applyViewOptions();
}

void TCustomListView::SetMultiSelect(bool Value)
{
    if (Value == FMultiSelect)
        return;
    FMultiSelect = Value;
    FItems->Model().setMultiSelect(Value);
    applyViewOptions();
}

void TCustomListView::SetHideSelection(bool Value)
{
    if (Value == FHideSelection)
        return;
    FHideSelection = Value;
    applyViewOptions();
}

void TCustomListView::SetColumnClick(bool Value)
{
    if (Value == FColumnClick)
        return;
    FColumnClick = Value;
    applyViewOptions();
}

void TCustomListView::SetShowColumnHeaders(bool Value)
{
    if (Value == FShowColumnHeaders)
        return;
    FShowColumnHeaders = Value;
    applyViewOptions();
}

int TCustomListView::ItemIndex() const
{
    return FItems->Model().firstSelected();
}

void TCustomListView::SetItemIndex(int Value)
{
    if (Value < 0) {
        ClearSelection();
        return;
    }
    SetSelected(FItems->Item(Value));
}

TListItem *TCustomListView::Selected() const
{
    const int index = ItemIndex();
    return index >= 0 ? FItems->Item(index) : nullptr;
}

void TCustomListView::SetSelected(TListItem *Value)
{
    if (!Value || FMultiSelect)
        ClearSelection();
    if (Value)
        Value->SetSelected(true);
}

int TCustomListView::SelCount() const
{
    int count = 0;
    for (int row = 0; row < FItems->Model().shownRows(); ++row)
        count += FItems->Model().isSelected(row) ? 1 : 0;
    return count;
}

void TCustomListView::ClearSelection()
{
    FItems->Model().selection()->clearSelection();
}

bool TCustomListView::IsEditing() const
{
    const listview_detail::ListTreeView *v = view();
    return v && v->editing();
}

bool TCustomListView::CustomSort(TLVCompare SortProc, std::intptr_t Data)
{
    FItems->Model().sort(SortProc, Data);
    return true;
}

void TCustomListView::ColClick(TListColumn *Column)
{
    if (FOnColumnClick)
        FOnColumnClick(this, Column);
}

void TCustomListView::DoSelectItem(TListItem *Item, bool Selected)
{
    if (FOnSelectItem)
        FOnSelectItem(this, Item, Selected);
}

bool TCustomListView::CanEdit(TListItem *Item)
{
    bool allow = !FReadOnly;
    if (allow && FOnEditing)
        FOnEditing(this, Item, allow);
    return allow;
}

void TCustomListView::Edit(TListItem *Item, String &Text)
{
    if (FOnEdited)
        FOnEdited(this, Item, Text);
}

// -------------------------------------------------------------- TListView --

const TClassInfo &TListView::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TListView>("TListView", &TCustomListView::StaticClassInfo())
            .Component()
            // A list takes the focus by Tab, unlike a bare windowed control.
            .Boolean("TabStop", &TListView::TabStop, &TListView::SetTabStop, true)
            .Object("Columns", &TListView::Columns)
            .Boolean("ColumnClick", &TListView::ColumnClick, &TListView::SetColumnClick, true)
            .Boolean("HideSelection", &TListView::HideSelection, &TListView::SetHideSelection, true)
            .Boolean("MultiSelect", &TListView::MultiSelect, &TListView::SetMultiSelect)
            .Boolean("ReadOnly", &TListView::ReadOnly, &TListView::SetReadOnly)
            .Boolean("RowSelect", &TListView::RowSelect, &TListView::SetRowSelect)
            .Boolean("ShowColumnHeaders", &TListView::ShowColumnHeaders,
                     &TListView::SetShowColumnHeaders, true)
            .Reference("SmallImages", &TListView::SmallImages, &TListView::SetSmallImages)
            .Reference("StateImages", &TListView::StateImages, &TListView::SetStateImages)
            .Enumeration("ViewStyle", &TListView::ViewStyle, &TListView::SetViewStyle,
                         ViewStyleInfo, vsIcon)
            .Event("OnColumnClick", &TListView::OnColumnClick, &TListView::SetOnColumnClick)
            .Event("OnEdited", &TListView::OnEdited, &TListView::SetOnEdited)
            .Event("OnEditing", &TListView::OnEditing, &TListView::SetOnEditing)
            .Event("OnSelectItem", &TListView::OnSelectItem, &TListView::SetOnSelectItem)
            .Build();
    return info;
}

TListView::TListView(TComponent *AOwner) : TCustomListView(AOwner) {}

// ------------------------------------------------------------ image lists --

void TCustomListView::SetSmallImages(TCustomImageList *Value)
{
    setImages(FSmallImages, FSmallImagesComponent, FSmallImagesLink, Value);
}

void TCustomListView::SetStateImages(TCustomImageList *Value)
{
    setImages(FStateImages, FStateImagesComponent, FStateImagesLink, Value);
}

void TCustomListView::setImages(TCustomImageList *&Field, TComponent *&Known, TChangeLink &Link,
                                TCustomImageList *Value)
{
    if (Value == Field)
        return;
    if (Field) {
        Field->UnRegisterChanges(&Link);
        // Keep hearing of its end while the other property still shows it.
        const TCustomImageList *other = &Field == &FSmallImages ? FStateImages : FSmallImages;
        if (other != Field)
            Field->RemoveFreeNotification(this);
    }
    Field = Value;
    Known = Value;
    if (Value) {
        Value->RegisterChanges(&Link);
        Value->FreeNotification(this);
    }
    imagesChanged();
}

void TCustomListView::imagesChanged()
{
    const auto sourceOf = [](TCustomImageList *Images) {
        listview_detail::ImageSource source;
        if (Images) {
            source.width = Images->Width();
            source.height = Images->Height();
            source.pixmap = [Images](int Index) { return Images->Pixmap(Index); };
        }
        return source;
    };
    ListItemModel &model = FItems->Model();
    model.setImages(sourceOf(FStateImages), sourceOf(FSmallImages));
    if (auto *v = view()) {
        const QSize size = model.decorationSize();
        v->setIconSize(size.isEmpty() ? QSize() : size);
    }
}

void TCustomListView::Notification(TComponent *AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent)
        return;
    // The list is being destroyed: forget it without calling into it.
    bool changed = false;
    if (AComponent == FSmallImagesComponent) {
        FSmallImages = nullptr;
        FSmallImagesComponent = nullptr;
        changed = true;
    }
    if (AComponent == FStateImagesComponent) {
        FStateImages = nullptr;
        FStateImagesComponent = nullptr;
        changed = true;
    }
    if (changed && running())
        imagesChanged();
}
