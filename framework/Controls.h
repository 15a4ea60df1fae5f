#pragma once

// Controls: the visual components. Each control owns one Qt widget, made on
// first need (Widget()) by the virtual CreateWidget, so a derived class picks
// its own widget. Qt events on that widget become message records (Messages.h)
// that go through the control's Dispatch; a class handles the messages it
// names and passes every other one to its base class, down to DefaultHandler,
// which lets Qt do its own handling of the event.
//
// Ownership: the owner (TComponent) frees a control; a parent destroys its
// child controls before its own widget goes, and every control deletes its
// own widget, so no widget is deleted twice whatever order controls die in.

#include "framework/ActnList.h"
#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Messages.h"

#include <cstdint>
#include <memory>
#include <vector>

class QImage;
class QWidget;
class TControlActionLink;
class TPopupMenu;
class TWinControl;

namespace controls_detail {
class MessageBridge;
class PaintBuffer;
class PaintSurface;
} // namespace controls_detail

// Registers every framework class that form descriptions can name (controls,
// forms, image lists). Idempotent; TApplication::Initialize calls it.
void RegisterFrameworkClasses();

// ---------------------------------------------------------------------------
// Cursors

using TCursor = std::int16_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;
// Cursor names as form descriptions write them (crDefault, crHandPoint, ...).
const TIdentMap &CursorIdents();

// ---------------------------------------------------------------------------
// Enumerations and sets

enum TMouseButton
{
    mbLeft,
    mbRight,
    mbMiddle
};

enum TShiftStateFlag
{
    ssShift,
    ssAlt,
    ssCtrl,
    ssLeft,
    ssRight,
    ssMiddle,
    ssDouble
};
using TShiftState = TSet<TShiftStateFlag>;

enum TAlign
{
    alNone,
    alTop,
    alBottom,
    alLeft,
    alRight,
    alClient,
    alCustom
};
extern const TEnumInfo AlignInfo;

enum TAlignment
{
    taLeftJustify,
    taRightJustify,
    taCenter
};
extern const TEnumInfo AlignmentInfo;

enum TAnchorKind
{
    akLeft,
    akTop,
    akRight,
    akBottom
};
using TAnchors = TSet<TAnchorKind>;
extern const TEnumInfo AnchorKindInfo;

// Form and control border styles (TBorderStyle uses bsNone and bsSingle).
enum TFormBorderStyle
{
    bsNone,
    bsSingle,
    bsSizeable,
    bsDialog,
    bsToolWindow,
    bsSizeToolWin
};
using TBorderStyle = TFormBorderStyle;
extern const TEnumInfo FormBorderStyleInfo;

enum TControlStateFlag
{
    csLButtonDown,
    csClicked,
    csPalette,
    csReadingState,
    csAlignmentNeeded,
    csFocusing,
    csCreating,
    csPaintCopy,
    csCustomPaint,
    csDestroyingHandle,
    csDocking
};
using TControlState = TSet<TControlStateFlag>;

enum TControlStyleFlag
{
    csAcceptsControls,
    csCaptureMouse,
    csDesignInteractive,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoDesignVisible,
    csReplicatable,
    csNoStdEvents,
    csDisplayDragImage,
    csReflector,
    csActionClient,
    csMenuEvents
};
using TControlStyle = TSet<TControlStyleFlag>;

enum TDragMode
{
    dmManual,
    dmAutomatic
};

enum TBiDiMode
{
    bdLeftToRight,
    bdRightToLeft,
    bdRightToLeftNoAlign,
    bdRightToLeftReadingOnly
};
extern const TEnumInfo BiDiModeInfo;

// What a control is to assistive technology (a screen reader): each control
// answers through Qt's accessibility framework, in the terms below.
enum TAccessibleRole
{
    arClient,       // an area with no more specific kind
    arStaticText,   // a caption
    arLink,         // opens an address
    arPushButton,   // does something when pressed (also a latching one)
    arEditableText, // text the user types
    arGraphic       // a picture
};

// States a control adds to those its widget shows (disabled, focused,
// focusable, invisible).
enum TAccessibleStateFlag
{
    asReadOnly,
    asCheckable, // latches down when pressed
    asChecked,   // latched down
    asPressed,   // being pressed now
    asAnimated
};
using TAccessibleStates = TSet<TAccessibleStateFlag>;

// Text without its accelerator marks: a single '&' goes, "&&" becomes '&'.
String StripAccelChars(const String &Text);

using TMouseEvent = TEvent<TObject *, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject *, TShiftState, int, int>;
// Key is a virtual-key code (VK_*); setting it to 0 swallows the key.
using TKeyEvent = TEvent<TObject *, std::uint16_t &, TShiftState>;
// Key is the typed character (ASCII; other characters do not reach
// OnKeyPress); setting it to 0 swallows it.
using TKeyPressEvent = TEvent<TObject *, char &>;

// The shortened hint: the text before a '|', or all of it.
String GetShortHint(const String &Hint);
String GetLongHint(const String &Hint);

// Whether Key is the accelerator of Text: the character after a single '&',
// letter case ignored.
bool IsAccel(unsigned Key, const String &Text);

class TControl;

// The pointer's position in screen coordinates.
TPoint GetCursorPos();
// The control whose widget lies at a screen position (disabled ones too when
// AllowDisabled), or null.
TControl *FindDragTarget(const TPoint &Pos, bool AllowDisabled);
// The control that holds the mouse (a button is down on it), or null.
TControl *GetCaptureControl();
// The window (TWinControl::Handle) of the control that holds the mouse, or 0.
std::uintptr_t GetCapture();
// The control that owns a Qt widget (or the nearest one above it), or null.
TControl *FindControl(const QWidget *Widget);

// Where a control's Help command looks: by HelpContext or by HelpKeyword.
enum THelpType : std::uint8_t
{
    htKeyword,
    htContext
};

// The smallest and largest size a control may take; 0 is no limit. Where a
// least and a most disagree, the least wins. Each defaults to 0.
class TSizeConstraints : public TPersistent
{
    TUMBLER_CLASS
public:
    int MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int Value) { change(FMaxHeight, Value); }
    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int Value) { change(FMaxWidth, Value); }
    int MinHeight() const { return FMinHeight; }
    void SetMinHeight(int Value) { change(FMinHeight, Value); }
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int Value) { change(FMinWidth, Value); }

    // A width or height brought within the limits.
    int ConstrainWidth(int Width) const { return constrain(Width, FMinWidth, FMaxWidth); }
    int ConstrainHeight(int Height) const { return constrain(Height, FMinHeight, FMaxHeight); }

    void Assign(TPersistent *Source) override;

    // Called after any limit changed.
    TNotifyEvent OnChange;

private:
    void change(int &Field, int Value);
    static int constrain(int Size, int Least, int Most);

    int FMaxHeight = 0;
    int FMaxWidth = 0;
    int FMinHeight = 0;
    int FMinWidth = 0;
};

// ---------------------------------------------------------------------------
// TControl

class TControl : public TComponent, public TActionClient<TControl, TControlActionLink>
{
    TUMBLER_CLASS
public:
    explicit TControl(TComponent *AOwner);
    ~TControl() override;

    // Position in the parent's client area. Each defaults to 0.
    int Left() const { return FLeft; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    int Top() const { return FTop; }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    int Height() const { return FHeight; }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    // The client area, (0, 0, ClientWidth, ClientHeight).
    virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
    int ClientWidth() const { return ClientRect().Width(); }
    void SetClientWidth(int Value);
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientHeight(int Value);

    // The control this one sits in; null for none (and for forms).
    TWinControl *Parent() const { return FParent; }
    virtual void SetParent(TWinControl *AParent);

    // Defaults to true (forms: false).
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all its parents.
    bool Showing() const;
    // Defaults to true.
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    // The control's text: a label's or button's caption, an edit's text.
    // Caption and Text are two names for it. Defaults to empty.
    String Caption() const { return GetText(); }
    String Text() const { return GetText(); }
    void SetCaption(const String &Value) { SetText(Value); }
    virtual String GetText() const { return FText; }
    virtual void SetText(const String &Value);

    // The tooltip text (the part before a '|'). Defaults to empty.
    const String &Hint() const { return FHint; }
    void SetHint(const String &Value);
    // Whether the hint shows. Defaults to false.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    // Take ShowHint from the parent. Defaults to true.
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);

    // Background colour. Defaults to clWindow; with ParentColor, the parent's.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // Take Color from the parent. Defaults to true (false for edits, combo
    // boxes and forms).
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    // Changing the font turns ParentFont off.
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value) { FFont->Assign(Value); }
    // Take Font from the parent. Defaults to true.
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);

    // The mouse pointer over the control. Defaults to crDefault.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    // Defaults to alNone.
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    // Defaults to [akLeft, akTop].
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value) { FAnchors = Value; }
    // Defaults to dmManual.
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode Value) { FDragMode = Value; }
    // Reading order of the text. Defaults to bdLeftToRight; with
    // ParentBiDiMode (default true), the parent's.
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    bool ParentBiDiMode() const { return FParentBiDiMode; }
    void SetParentBiDiMode(bool Value);
    // Flags adds DT_RTLREADING when the text reads right to left.
    unsigned DrawTextBiDiModeFlags(unsigned Flags) const;
    // The palette the control wants realised: none on Linux (see HPALETTE).
    // Nothing realises palettes here; it stays because the glyph button's
    // design overrides it.
    virtual HPALETTE GetPalette() { return 0; }

    // The size limits SetBounds keeps to; changing them resizes the control
    // into them. None by default.
    TSizeConstraints *Constraints() const { return FConstraints.get(); }

    // A number for the application's own use; nothing reads it. Defaults to 0.
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }
    // The control's help topic, by number or by keyword as HelpType says;
    // stored with the form, read by no help system here. Default htContext,
    // "" and 0.
    THelpType HelpType() const { return FHelpType; }
    void SetHelpType(THelpType Value) { FHelpType = Value; }
    const String &HelpKeyword() const { return FHelpKeyword; }
    void SetHelpKeyword(const String &Value) { FHelpKeyword = Value; }
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }

    // The menu that pops up on a right click (or the menu key) over the
    // control. Defaults to null.
    TPopupMenu *PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu *Value);

    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }

    // Sends a message to this control's Dispatch and returns its result.
    LRESULT Perform(unsigned Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    // Routes a message to the handler its number names, else to DefaultHandler.
    virtual void Dispatch(TMessage &Message);
    // Where unhandled messages end: for a message made from a Qt event, Qt
    // then handles the event as it would have.
    virtual void DefaultHandler(TMessage &Message);

    void Invalidate();
    // Repaints at once.
    void Repaint();
    void Update();

    TNotifyEvent OnClick() const { return FOnClick; }
    void SetOnClick(const TNotifyEvent &Value) { FOnClick = Value; }
    TNotifyEvent OnDblClick() const { return FOnDblClick; }
    void SetOnDblClick(const TNotifyEvent &Value) { FOnDblClick = Value; }
    TMouseEvent OnMouseDown() const { return FOnMouseDown; }
    void SetOnMouseDown(const TMouseEvent &Value) { FOnMouseDown = Value; }
    TMouseEvent OnMouseUp() const { return FOnMouseUp; }
    void SetOnMouseUp(const TMouseEvent &Value) { FOnMouseUp = Value; }
    TMouseMoveEvent OnMouseMove() const { return FOnMouseMove; }
    void SetOnMouseMove(const TMouseMoveEvent &Value) { FOnMouseMove = Value; }

    // The Qt widget, made on first call.
    QWidget *Widget();
    bool WidgetAllocated() const;

    TComponent *GetParentComponent() const override;
    bool HasParent() const override { return true; }
    void SetParentComponent(TComponent *Value) override;
    void Loaded() override;

    // Runs the click event (and whatever a class adds to a click). A control
    // linked to an action without an OnClick of its own executes the action.
    virtual void Click();

    // What assistive technology is told about the control (see
    // Accessibility.cpp for how it reaches Qt). The role defaults to arClient.
    virtual TAccessibleRole AccessibleRole() const { return arClient; }
    // The caption without its accelerator marks; a control without one takes
    // the caption of the label that names it (a label's FocusControl), then
    // the short hint.
    virtual String AccessibleName() const;
    // The states the control adds to its widget's. None by default.
    virtual TAccessibleStates AccessibleStates() const { return {}; }
    // Whether the control offers the "press" action; none does by default.
    virtual bool AccessiblePressable() const { return false; }
    // Does what a click with the mouse does; runs Click by default.
    virtual void AccessiblePress() { Click(); }
    // The control this one names for assistive technology (a label's
    // FocusControl); null for none.
    virtual TWinControl *LabelledControl() const { return nullptr; }
    // The label on the same form whose LabelledControl is this one, or null.
    TControl *LabellingControl() const;
    // Hands the name again to a widget that Qt describes itself (an edit),
    // after what the name comes from changed.
    virtual void AccessibleNameChanged();
    // Tells assistive technology that AccessibleStates changed.
    void AccessibleStateChanged();

    // Action, SetAction and ActionLink (TActionClient): the action the
    // control follows. It takes the action's caption, enabled state, hint and
    // visibility now and after every change of the action, and a click
    // executes the action, unless the control has an OnClick handler of its
    // own, which then runs instead. Defaults to none.

protected:
    // Takes the state of Sender, a TCustomAction. With CheckDefaults (while a
    // form description is read) only the properties still at their defaults
    // take the action's, so that values the description sets stay. A class
    // that shows more of an action (an image) overrides it and calls the base.
    void ActionChange(TObject *Sender, bool CheckDefaults) override;
    std::unique_ptr<TControlActionLink> CreateActionLink() override;

    // Makes the Qt widget. The default is a plain widget that shows what
    // Paint draws (see TGraphicControl).
    virtual QWidget *CreateWidget();
    void Notification(TComponent *AComponent, TOperation Operation) override;
    // Called once the widget exists, before its state is applied: a class
    // that makes its widget connects Qt's signals here. Calls the base first.
    virtual void WidgetCreated() {}
    // Routes Qt events of a further widget (a scroll area's viewport) here too.
    void InstallMessageHooks(QWidget *Target);

    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    // Applies the font, colour or text to the widget; classes whose widget
    // shows them differently override.
    virtual void ApplyFont();
    virtual void ApplyColor();
    virtual void ApplyText() {}
    // The image a self-painting control drew for the last WM_PAINT, or null.
    // Its device pixel ratio is the widget's.
    virtual const QImage *PaintedImage() const { return nullptr; }
    // How many device pixels a logical pixel takes on the screen the widget
    // was last painted for by Qt (1 before its first paint).
    double DeviceRatio() const;
    // Resizes the control to fit its contents when it does so (labels).
    virtual void AdjustSize() {}
    // Called after the control's size changed; a windowed control lays out
    // its aligned children again.
    virtual void Resize() {}
    // Makes the widget when it is first needed: at once here; a windowed
    // control goes through its creation parameters (CreateWnd).
    virtual void CreateHandle();
    void FontChanged(TObject *Sender);
    void ConstraintsChanged(TObject *Sender);
    // Sets the bounds field without telling the widget (the widget moved).
    void UpdateBoundsFromWidget(int ALeft, int ATop, int AWidth, int AHeight);

    // Message handlers; each ends in DefaultHandler unless it says otherwise.
    void WMLButtonDown(TWMMouse &Message);
    void WMLButtonUp(TWMMouse &Message);
    void WMLButtonDblClk(TWMMouse &Message);
    void WMRButtonDown(TWMMouse &Message);
    void WMRButtonUp(TWMMouse &Message);
    void WMMButtonDown(TWMMouse &Message);
    void WMMButtonUp(TWMMouse &Message);
    void WMMouseMove(TWMMouse &Message);
    void CMEnabledChanged(TMessage &Message);
    void CMFontChanged(TMessage &Message);
    void CMColorChanged(TMessage &Message);
    void CMTextChanged(TMessage &Message);
    void CMVisibleChanged(TMessage &Message);
    void CMParentFontChanged(TMessage &Message);
    void CMParentColorChanged(TMessage &Message);
    void CMParentShowHintChanged(TMessage &Message);
    void CMMouseEnter(TMessage &Message);
    void CMMouseLeave(TMessage &Message);

    // Whether Color, Font and ShowHint are written (not taken from the parent).
    bool isColorStored() const;
    bool isFontStored() const;
    bool isShowHintStored() const;
    bool isBiDiModeStored() const { return !FParentBiDiMode; }

    // Applies the effective ShowHint and the hint to the widget.
    void UpdateToolTip();
    // The accessible name of a control whose caption does not name it (an
    // edit's caption is its text): its label's caption, else the short hint.
    String NameFromLabelOrHint() const;

    String FText;

private:
    friend class TWinControl;
    friend class controls_detail::MessageBridge;
    friend class controls_detail::PaintSurface;

    void ensureWidget();
    void createWidgetNow();
    void applyWidgetState();
    void applyCursor();
    void applyBounds();
    void applyVisible();
    void applyPopupMenu();
    void doMouseDown(TWMMouse &Message, TMouseButton Button);
    void doMouseUp(TWMMouse &Message, TMouseButton Button);
    void paintSurface(QWidget &Surface);

    TWinControl *FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    String FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TColor FColor = clWindow;
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FApplyingParentFont = false;
    TCursor FCursor = crDefault;
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    TDragMode FDragMode = dmManual;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FParentBiDiMode = true;
    TPopupMenu *FPopupMenu = nullptr;
    TControlState FControlState;
    TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    std::unique_ptr<TSizeConstraints> FConstraints;
    int FTag = 0;
    THelpType FHelpType = htContext;
    String FHelpKeyword;
    int FHelpContext = 0;

    TNotifyEvent FOnClick;
    TNotifyEvent FOnDblClick;
    TMouseEvent FOnMouseDown;
    TMouseEvent FOnMouseUp;
    TMouseMoveEvent FOnMouseMove;

    std::unique_ptr<controls_detail::MessageBridge> FBridge;
    bool FCreatingWidget = false;
};

// A control's link to its action: which of the control's properties still
// show the action's.
class TControlActionLink : public TClientActionLink<TControl>
{
public:
    using TClientActionLink::TClientActionLink;
};

// ---------------------------------------------------------------------------
// TWinControl

// Window creation parameters a class can adjust before its widget is made.
struct TCreateParams
{
    String Caption;
    unsigned Style = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    TWinControl *WndParent = nullptr;
    String WinClassName;
};

// Edit style bits a class may add in CreateParams.
inline constexpr unsigned ES_LEFT = 0x0000;
inline constexpr unsigned ES_CENTER = 0x0001;
inline constexpr unsigned ES_RIGHT = 0x0002;
inline constexpr unsigned ES_MULTILINE = 0x0004;
inline constexpr unsigned ES_READONLY = 0x0800;

// A control that can hold other controls, take the focus and be tabbed to.
class TWinControl : public TControl
{
    TUMBLER_CLASS
public:
    explicit TWinControl(TComponent *AOwner);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl *Controls(int Index) const;
    void InsertControl(TControl *AControl);
    void RemoveControl(TControl *AControl);

    // Position among the parent's tab stops, from 0; -1 until it has a
    // parent. Setting it moves the control in its parent's tab list.
    int TabOrder() const;
    void SetTabOrder(int Value);
    // Whether Tab reaches the control. Defaults to false (true for edits,
    // buttons and check boxes).
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    // The windowed children in tab order.
    std::vector<TWinControl *> TabList() const;
    // Hands Message to each child control in order until one sets a
    // non-zero Result.
    void Broadcast(TMessage &Message);

    bool Focused() const;
    bool CanFocus() const;
    // Its own name and its parts'.
    void AccessibleNameChanged() override;
    virtual void SetFocus();

    // An opaque value naming the control's window; made on first call.
    std::uintptr_t Handle();
    // Makes the widget anew (children keep theirs).
    void RecreateWnd();

    // Lays out the children with an Align other than alNone.
    void Realign();

    void GetChildren(const std::function<void(TComponent *)> &Proc,
                     TComponent *Root) const override;
    void Loaded() override;
    void Dispatch(TMessage &Message) override;

    TNotifyEvent OnEnter() const { return FOnEnter; }
    void SetOnEnter(const TNotifyEvent &Value) { FOnEnter = Value; }
    TNotifyEvent OnExit() const { return FOnExit; }
    void SetOnExit(const TNotifyEvent &Value) { FOnExit = Value; }
    TKeyEvent OnKeyDown() const { return FOnKeyDown; }
    void SetOnKeyDown(const TKeyEvent &Value) { FOnKeyDown = Value; }
    TKeyEvent OnKeyUp() const { return FOnKeyUp; }
    void SetOnKeyUp(const TKeyEvent &Value) { FOnKeyUp = Value; }
    TKeyPressEvent OnKeyPress() const { return FOnKeyPress; }
    void SetOnKeyPress(const TKeyPressEvent &Value) { FOnKeyPress = Value; }

protected:
    // Adjusts the creation parameters; the base fills them from the control.
    virtual void CreateParams(TCreateParams &Params);
    // Makes the widget (through CreateParams and CreateWidget). A class that
    // overrides it calls the base first.
    virtual void CreateWnd();
    // The parameters CreateWidget should honour (valid during CreateWidget).
    const TCreateParams &CurrentParams() const { return FParams; }

    virtual void KeyDown(std::uint16_t &Key, TShiftState Shift);
    virtual void KeyUp(std::uint16_t &Key, TShiftState Shift);
    virtual void KeyPress(char &Key);
    virtual void DoEnter();
    virtual void DoExit();

    void WMKeyDown(TWMKey &Message);
    void WMKeyUp(TWMKey &Message);
    void WMChar(TWMKey &Message);
    void WMSetFocus(TMessage &Message);
    void WMKillFocus(TMessage &Message);

    // Sends Msg to every child control.
    void NotifyControls(unsigned Msg);
    // Puts the widgets' Qt tab chain in TabOrder order.
    void UpdateTabChain();
    virtual void AlignControls(TControl *AControl, TRect &Rect);
    // How far down the widget the client area starts (a form's menu bar sits
    // above it): children are placed that much lower. Defaults to 0.
    virtual int ClientTop() const { return 0; }
    // Places every child's widget again, after ClientTop changed.
    void ApplyChildBounds();
    void CreateHandle() override;
    void Resize() override;

private:
    friend class TControl;
    void insertTab(TWinControl *Control);
    void removeTab(TWinControl *Control);

    std::vector<TControl *> FControls;   // not owned: the owner frees them
    std::vector<TWinControl *> FTabList; // windowed children in tab order
    int FPendingTabOrder = -1;           // TabOrder read before a parent was set
    bool FAligning = false;
    bool FTabStop = false;
    TCreateParams FParams;

    TNotifyEvent FOnEnter;
    TNotifyEvent FOnExit;
    TKeyEvent FOnKeyDown;
    TKeyEvent FOnKeyUp;
    TKeyPressEvent FOnKeyPress;
};

// A control without a window of its own in the framework's model: it paints itself
// through Canvas. It still gets a light widget here, so it can paint and
// take mouse input offscreen.
class TGraphicControl : public TControl
{
    TUMBLER_CLASS
public:
    explicit TGraphicControl(TComponent *AOwner);
    ~TGraphicControl() override;

    // Valid during Paint; draws into the image the widget shows.
    TCanvas *Canvas();
    void Dispatch(TMessage &Message) override;
    // Whether the keyboard is on the control. Only a control that can be
    // pressed (a link, see AccessiblePressable) takes it: Tab reaches it after
    // its parent's windowed controls, and Space or Enter presses it.
    bool Focused() const;

protected:
    virtual void Paint() {}
    const QImage *PaintedImage() const override;
    void WMPaint(TMessage &Message);
    void WidgetCreated() override;

private:
    std::unique_ptr<controls_detail::PaintBuffer> FPaintBuffer;
};

// A windowed control that paints itself through Canvas.
class TCustomControl : public TWinControl
{
    TUMBLER_CLASS
public:
    explicit TCustomControl(TComponent *AOwner);
    ~TCustomControl() override;

    // Valid during Paint; draws into the image the widget shows.
    TCanvas *Canvas();
    void Dispatch(TMessage &Message) override;

protected:
    virtual void Paint() {}
    const QImage *PaintedImage() const override;
    void WMPaint(TMessage &Message);

private:
    std::unique_ptr<controls_detail::PaintBuffer> FPaintBuffer;
};
