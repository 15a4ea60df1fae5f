#pragma once

// The standard controls: labels, edits, memos, buttons, check boxes, combo
// boxes and static texts. Each maps onto one Qt widget except the label,
// which paints its caption itself.

#include "framework/Controls.h"

class QLineEdit;
class QPlainTextEdit;
class QComboBox;

enum TTextLayout
{
    tlTop,
    tlCenter,
    tlBottom
};

// A caption painted through the canvas (so its pixels are the framework's).
class TCustomLabel : public TGraphicControl
{
    TUMBLER_CLASS
public:
    explicit TCustomLabel(TComponent *AOwner);

    // Horizontal placement of the text. Defaults to taLeftJustify.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // Size follows the caption (the right edge stays for taRightJustify).
    // Defaults to true.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // Paint no background, so the parent shows through. Defaults to false.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    // '&' underlines the next character ("&&" is one '&'). Defaults to true.
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    // Break lines at the right edge. Defaults to false.
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    // Vertical placement of the text. Defaults to tlTop.
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    // The control the label names: its accelerator focuses that control, and
    // assistive technology hears the caption as that control's name.
    // Defaults to null.
    TWinControl *FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl *Value);

    TAccessibleRole AccessibleRole() const override { return arStaticText; }
    TWinControl *LabelledControl() const override { return FFocusControl; }
    // The caption, without accelerator marks when ShowAccelChar.
    String AccessibleName() const override;
    void Dispatch(TMessage &Message) override;

protected:
    void Paint() override;
    void AdjustSize() override;
    // Draws (or with DT_CALCRECT measures) the caption in Rect.
    virtual void DoDrawText(TRect &Rect, unsigned Flags);
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void CMDialogChar(TMessage &Message);

    TWinControl *FFocusControl = nullptr;
    TComponent *FFocusControlComponent = nullptr; // the same, to compare while it dies
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    bool FWordWrap = false;
    TTextLayout FLayout = tlTop;
};

class TLabel : public TCustomLabel
{
    TUMBLER_CLASS
public:
    using TCustomLabel::TCustomLabel;
};

enum TEditCharCase
{
    ecNormal,
    ecUpperCase,
    ecLowerCase
};

// A one-line text box (QLineEdit).
class TCustomEdit : public TWinControl
{
    TUMBLER_CLASS
public:
    explicit TCustomEdit(TComponent *AOwner);

    String GetText() const override;
    TAccessibleRole AccessibleRole() const override { return arEditableText; }
    // The caption of its label (the text is no name).
    String AccessibleName() const override { return NameFromLabelOrHint(); }
    // Defaults to false.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // Most characters the text may hold; 0 for no limit. Defaults to 0.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    // Shown instead of each character when not 0. Defaults to 0.
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    // Select all text on entering. Defaults to true.
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    // Defaults to bsSingle (a sunken frame); bsNone has none.
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // Defaults to ecNormal.
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);

    void Clear() { SetText(String()); }

    // Fires after every change of the text, by the user or by the program.
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }

protected:
    void CreateWnd() override;
    QWidget *CreateWidget() override;
    void WidgetCreated() override;
    void ApplyText() override;
    void ApplyColor() override;
    virtual void Change();
    // Set while the widget is being made: its first text is no change.
    bool FCreating = false;
    // The text is written to form descriptions (a memo writes its Lines).
    virtual bool IsTextStored() const { return true; }
    QLineEdit *LineEdit() const;
    void DoEnter() override;

private:
    bool isTextStored() const { return IsTextStored(); }
    void textEdited();
    friend class TCustomMemo;

    bool FReadOnly = false;
    int FMaxLength = 0;
    char FPasswordChar = 0;
    bool FAutoSelect = true;
    TBorderStyle FBorderStyle = bsSingle;
    TEditCharCase FCharCase = ecNormal;
    TNotifyEvent FOnChange;
};

class TEdit : public TCustomEdit
{
    TUMBLER_CLASS
public:
    using TCustomEdit::TCustomEdit;
};

enum TScrollStyle
{
    ssNone,
    ssHorizontal,
    ssVertical,
    ssBoth
};

class TCustomMemo;

// The lines of a memo, read and written in its text widget directly. Adding a
// line appends to the document (amortised constant time).
class TMemoStrings : public TStrings
{
    TUMBLER_CLASS
public:
    explicit TMemoStrings(TCustomMemo *Memo) : FMemo(Memo) {}
    int Count() const override;
    String Get(int Index) const override;
    void Put(int Index, const String &S) override;
    void Insert(int Index, const String &S) override;
    void Delete(int Index) override;
    void Clear() override;

private:
    QPlainTextEdit *edit() const;
    TCustomMemo *FMemo;
};

// A multi-line text box (QPlainTextEdit). Its text is its Lines, each line
// ended by a line break.
class TCustomMemo : public TCustomEdit
{
    TUMBLER_CLASS
public:
    explicit TCustomMemo(TComponent *AOwner);
    ~TCustomMemo() override;

    String GetText() const override;
    TStrings *Lines() const { return FLines.get(); }
    // Defaults to ssNone.
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    // Defaults to true.
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    // Return starts a new line (not the form's default button). Defaults to true.
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    // Tab is typed into the text instead of moving the focus. Defaults to false.
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value);
    // Defaults to taLeftJustify.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

protected:
    QWidget *CreateWidget() override;
    void WidgetCreated() override;
    void ApplyText() override;
    bool IsTextStored() const override { return false; }
    QPlainTextEdit *TextEdit() const;

private:
    friend class TMemoStrings;
    void applyScrollBars();
    std::unique_ptr<TMemoStrings> FLines;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FWantReturns = true;
    bool FWantTabs = false;
    TAlignment FAlignment = taLeftJustify;
};

class TMemo : public TCustomMemo
{
    TUMBLER_CLASS
public:
    using TCustomMemo::TCustomMemo;
};

// Form modal results a button can give.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

// A push button (QPushButton). A click (mouse, space key) runs Click.
class TButton : public TWinControl
{
    TUMBLER_CLASS
public:
    explicit TButton(TComponent *AOwner);

    // The form's button for Return. Defaults to false.
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    // The form's button for Escape. Defaults to false.
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    // Set on the parent form when clicked, unless mrNone. Defaults to mrNone.
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }

    void Click() override;

protected:
    QWidget *CreateWidget() override;
    void WidgetCreated() override;
    void ApplyText() override;

private:
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

enum TCheckBoxState
{
    cbUnchecked,
    cbChecked,
    cbGrayed
};

// A check box (QCheckBox). Every change of its state, by the user or the
// program, runs Click.
class TCheckBox : public TWinControl
{
    TUMBLER_CLASS
public:
    explicit TCheckBox(TComponent *AOwner);

    // Defaults to false.
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    // Defaults to cbUnchecked.
    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState Value);
    // Clicking cycles through the grey state too. Defaults to false.
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value);

protected:
    QWidget *CreateWidget() override;
    void WidgetCreated() override;
    void ApplyText() override;

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
};

enum TComboBoxStyle
{
    csDropDown,
    csSimple,
    csDropDownList,
    csOwnerDrawFixed,
    csOwnerDrawVariable
};

class TCustomComboBox;

// The items of a combo box, kept in its QComboBox.
class TComboBoxStrings : public TStrings
{
    TUMBLER_CLASS
public:
    explicit TComboBoxStrings(TCustomComboBox *Combo) : FCombo(Combo) {}
    int Count() const override;
    String Get(int Index) const override;
    void Put(int Index, const String &S) override;
    TObject *GetObject(int Index) const override;
    void PutObject(int Index, TObject *AObject) override;
    void Insert(int Index, const String &S) override;
    void Delete(int Index) override;
    void Clear() override;
    // The combo box's exact-match search: the first item equal to S when
    // letter case is ignored (Unicode case folding), or -1.
    int IndexOf(const String &S) const override;

private:
    QComboBox *combo() const;
    TCustomComboBox *FCombo;
    std::vector<TObject *> FObjects;
};

// A combo box: an edit with a drop-down list of items (QComboBox).
class TCustomComboBox : public TWinControl
{
    TUMBLER_CLASS
public:
    explicit TCustomComboBox(TComponent *AOwner);
    ~TCustomComboBox() override;

    String GetText() const override;
    // The caption of its label (the text is no name).
    String AccessibleName() const override { return NameFromLabelOrHint(); }
    TStrings *Items() const { return FItems.get(); }
    // The selected item, -1 for none. Defaults to -1.
    int ItemIndex() const;
    void SetItemIndex(int Value);
    // Defaults to csDropDown.
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    // Items shown without scrolling in the list. Defaults to 8.
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value);
    // Most characters of the edit; 0 for no limit. Defaults to 0.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    // The height of a line of the drop-down list in pixels, kept for the
    // owner-drawn styles; the other styles size their lines by the font.
    // Defaults to 16.
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);
    // Keep the items sorted (case-blind). Defaults to false.
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    void Clear();

    // Fires when the text changes, by typing or by picking an item.
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }
    // Fires when the user picks an item from the list.
    TNotifyEvent OnSelect() const { return FOnSelect; }
    void SetOnSelect(const TNotifyEvent &Value) { FOnSelect = Value; }
    TNotifyEvent OnDropDown() const { return FOnDropDown; }
    void SetOnDropDown(const TNotifyEvent &Value) { FOnDropDown = Value; }

protected:
    void CreateWnd() override;
    QWidget *CreateWidget() override;
    void WidgetCreated() override;
    void ApplyText() override;
    void ApplyColor() override;
    virtual void Change();
    virtual void Select();
    bool FCreating = false;
    virtual void DropDown();
    QComboBox *ComboBox() const;

private:
    friend class TComboBoxStrings;
    void sortItems();
    std::unique_ptr<TComboBoxStrings> FItems;
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    int FMaxLength = 0;
    int FItemHeight = 16;
    bool FSorted = false;
    int FPendingItemIndex = -1;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnSelect;
    TNotifyEvent FOnDropDown;
};

class TComboBox : public TCustomComboBox
{
    TUMBLER_CLASS
public:
    using TCustomComboBox::TCustomComboBox;
};

enum TStaticBorderStyle
{
    sbsNone,
    sbsSingle,
    sbsSunken
};

// A caption in a window of its own (QLabel).
class TStaticText : public TWinControl
{
    TUMBLER_CLASS
public:
    explicit TStaticText(TComponent *AOwner);

    // Defaults to taLeftJustify.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // Size follows a non-empty caption, keeping the left and top edges.
    // Defaults to true.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // Defaults to sbsNone.
    TStaticBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TStaticBorderStyle Value);
    // '&' underlines the next character. Defaults to true.
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);

protected:
    QWidget *CreateWidget() override;
    void WidgetCreated() override;
    void ApplyText() override;
    void ApplyColor() override;
    void AdjustSize() override;

private:
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    TStaticBorderStyle FBorderStyle = sbsNone;
    bool FShowAccelChar = true;
};
