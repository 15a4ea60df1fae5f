#include "framework/StdCtrls.h"
#include "framework/stdctrls/StdCtrls_p.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSignalBlocker>

using stdctrls_detail::guarded;
using stdctrls_detail::qs;
using stdctrls_detail::setBaseColor;

namespace {

const TEnumInfo ComboBoxStyleInfo{
    "TComboBoxStyle",
    {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"}};

} // namespace

// ---------------------------------------------------------------------------
// TCustomComboBox

const TClassInfo &TComboBoxStrings::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TComboBoxStrings>("TComboBoxStrings", &TStrings::StaticClassInfo()).Build();
    return info;
}

QComboBox *TComboBoxStrings::combo() const
{
    return FCombo->ComboBox();
}

int TComboBoxStrings::Count() const
{
    return combo()->count();
}

String TComboBoxStrings::Get(int Index) const
{
    checkIndex(Index, Count());
    return combo()->itemText(Index).toStdString();
}

void TComboBoxStrings::Put(int Index, const String &S)
{
    checkIndex(Index, Count());
    combo()->setItemText(Index, qs(S));
}

TObject *TComboBoxStrings::GetObject(int Index) const
{
    checkIndex(Index, Count());
    return FObjects[static_cast<std::size_t>(Index)];
}

void TComboBoxStrings::PutObject(int Index, TObject *AObject)
{
    checkIndex(Index, Count());
    FObjects[static_cast<std::size_t>(Index)] = AObject;
}

void TComboBoxStrings::Insert(int Index, const String &S)
{
    QComboBox *box = combo();
    const int count = box->count();
    if (Index < 0 || Index > count)
        throw EStringListError(Format("List index out of bounds (%d)", {Index}));
    if (FCombo->Sorted()) {
        Index = 0;
        while (Index < count && CompareText(box->itemText(Index).toStdString(), S) <= 0)
            ++Index;
    }
    // Qt selects the first item added to an empty box; the framework keeps
    // the selection and the typed text as they were.
    const QSignalBlocker block(box);
    const QString text = box->currentText();
    const int current = box->currentIndex();
    box->insertItem(Index, qs(S));
    FObjects.insert(FObjects.begin() + Index, nullptr);
    if (current < 0) {
        box->setCurrentIndex(-1);
        if (box->isEditable())
            box->setEditText(text);
    }
}

void TComboBoxStrings::Delete(int Index)
{
    checkIndex(Index, Count());
    QComboBox *box = combo();
    const QSignalBlocker block(box);
    const QString text = box->currentText();
    const bool wasCurrent = box->currentIndex() == Index;
    box->removeItem(Index);
    FObjects.erase(FObjects.begin() + Index);
    if (wasCurrent) {
        box->setCurrentIndex(-1);
        if (box->isEditable())
            box->setEditText(text);
    }
}

void TComboBoxStrings::Clear()
{
    QComboBox *box = combo();
    const QSignalBlocker block(box);
    const QString text = box->currentText();
    box->clear();
    FObjects.clear();
    if (box->isEditable())
        box->setEditText(text);
}

int TComboBoxStrings::IndexOf(const String &S) const
{
    return combo()->findText(qs(S), Qt::MatchFixedString);
}

const TClassInfo &TCustomComboBox::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomComboBox>("TCustomComboBox", &TWinControl::StaticClassInfo())
            .IntegerIdents("Color", &TCustomComboBox::Color, &TCustomComboBox::SetColor,
                           ColorIdents(), clWindow)
            .StoredIf(&TCustomComboBox::isColorStored)
            .Integer("DropDownCount", &TCustomComboBox::DropDownCount,
                     &TCustomComboBox::SetDropDownCount, 8)
            .Integer("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight,
                     16)
            .Object("Items", &TCustomComboBox::Items)
            .Integer("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex, -1)
            .Integer("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength, 0)
            .Boolean("ParentColor", &TCustomComboBox::ParentColor, &TCustomComboBox::SetParentColor,
                     false)
            .Boolean("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted, false)
            .Enumeration("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle,
                         ComboBoxStyleInfo, csDropDown)
            .Boolean("TabStop", &TCustomComboBox::TabStop, &TCustomComboBox::SetTabStop, true)
            .Text("Text", &TCustomComboBox::GetText, &TCustomComboBox::SetText)
            .Event("OnChange", &TCustomComboBox::OnChange, &TCustomComboBox::SetOnChange)
            .Event("OnDropDown", &TCustomComboBox::OnDropDown, &TCustomComboBox::SetOnDropDown)
            .Event("OnSelect", &TCustomComboBox::OnSelect, &TCustomComboBox::SetOnSelect)
            .Build();
    return info;
}

const TClassInfo &TComboBox::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TComboBox>("TComboBox", &TCustomComboBox::StaticClassInfo())
            .Component()
            .Build();
    return info;
}

TCustomComboBox::TCustomComboBox(TComponent *AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TComboBoxStrings>(this))
{
    SetBounds(0, 0, 145, 21);
    SetTabStop(true);
    SetParentColor(false);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::CreateWnd()
{
    const QScopedValueRollback<bool> creating(FCreating, true);
    TWinControl::CreateWnd();
}

QComboBox *TCustomComboBox::ComboBox() const
{
    return qobject_cast<QComboBox *>(const_cast<TCustomComboBox *>(this)->Widget());
}

QWidget *TCustomComboBox::CreateWidget()
{
    auto *box = new QComboBox;
    box->setEditable(FStyle != csDropDownList);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(FDropDownCount);
    return box;
}

void TCustomComboBox::WidgetCreated()
{
    TWinControl::WidgetCreated();
    QComboBox *box = ComboBox();
    if (QLineEdit *edit = box->lineEdit()) {
        if (FMaxLength > 0)
            edit->setMaxLength(FMaxLength);
        // The line edit takes the keys: route them through Dispatch as well.
        InstallMessageHooks(edit);
    }
    QObject::connect(box, &QComboBox::editTextChanged, box, [this](const QString &) {
        guarded(this, [this] {
            if (!FCreating)
                Change();
        });
    });
    QObject::connect(box, qOverload<int>(&QComboBox::activated), box, [this](int) {
        guarded(this, [this] {
            Click();
            Select();
        });
    });
    if (FPendingItemIndex >= 0 && FPendingItemIndex < box->count())
        box->setCurrentIndex(FPendingItemIndex);
}

String TCustomComboBox::GetText() const
{
    if (!WidgetAllocated())
        return FText;
    return ComboBox()->currentText().toStdString();
}

void TCustomComboBox::ApplyText()
{
    if (!WidgetAllocated())
        return;
    QComboBox *box = ComboBox();
    if (box->isEditable()) {
        if (box->currentText() != qs(FText))
            box->setEditText(qs(FText));
    } else {
        box->setCurrentIndex(box->findText(qs(FText)));
    }
}

void TCustomComboBox::ApplyColor()
{
    if (WidgetAllocated())
        setBaseColor(Widget(), Color(), clWindow);
}

int TCustomComboBox::ItemIndex() const
{
    if (!WidgetAllocated())
        return FPendingItemIndex;
    QComboBox *box = ComboBox();
    const int index = box->currentIndex();
    // Typed text that differs from the selected item means no item is selected.
    if (index >= 0 && box->isEditable() && box->currentText() != box->itemText(index))
        return -1;
    return index;
}

void TCustomComboBox::SetItemIndex(int Value)
{
    FPendingItemIndex = Value;
    if (ComponentState().Contains(csLoading) && !WidgetAllocated())
        return;
    QComboBox *box = ComboBox();
    if (Value < -1 || Value >= box->count())
        Value = -1;
    box->setCurrentIndex(Value);
    if (Value < 0 && box->isEditable())
        box->setEditText(QString());
    FText = box->currentText().toStdString();
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    if (WidgetAllocated())
        ComboBox()->setEditable(Value != csDropDownList);
}

void TCustomComboBox::SetDropDownCount(int Value)
{
    FDropDownCount = Value;
    if (WidgetAllocated())
        ComboBox()->setMaxVisibleItems(Value);
}

void TCustomComboBox::SetMaxLength(int Value)
{
    FMaxLength = std::max(0, Value);
    if (WidgetAllocated())
        if (QLineEdit *edit = ComboBox()->lineEdit())
            edit->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TCustomComboBox::SetItemHeight(int Value)
{
    if (Value > 0)
        FItemHeight = Value;
}

void TCustomComboBox::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    FSorted = Value;
    if (Value)
        sortItems();
}

void TCustomComboBox::sortItems()
{
    TStringList list;
    for (int i = 0; i < FItems->Count(); ++i)
        list.AddObject(FItems->Get(i), FItems->GetObject(i));
    list.Sort();
    const TUpdateGuard updating(*FItems);
    // The items go back in the order just made, not through the sorted insert.
    const QScopedValueRollback<bool> unsorted(FSorted, false);
    FItems->Clear();
    for (int i = 0; i < list.Count(); ++i)
        FItems->AddObject(list.Get(i), list.GetObject(i));
}

void TCustomComboBox::Clear()
{
    FItems->Clear();
    SetText(String());
}

void TCustomComboBox::Change()
{
    if (WidgetAllocated())
        FText = ComboBox()->currentText().toStdString();
    if (FOnChange)
        FOnChange(this);
}

void TCustomComboBox::Select()
{
    if (FOnSelect)
        FOnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown()
{
    if (FOnDropDown)
        FOnDropDown(this);
}
