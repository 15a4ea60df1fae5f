#pragma once

// Forms, the application object and the screen.
//
// A program makes one TApplication (after or instead of its QApplication);
// it sets the globals Application and Screen for its life:
//
//   int main(int argc, char **argv)
//   {
//       TApplication app(argc, argv);
//       Application->Initialize();
//       Application->SetTitle("Tumblerset");
//       Application->CreateForm(MainForm);
//       Application->Run();
//   }

#include "framework/Controls.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

#include <cstdint>
#include <memory>

class QApplication;
class QObject;

enum TCloseAction
{
    caNone,
    caHide,
    caFree,
    caMinimize
};

enum TPosition
{
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
extern const TEnumInfo PositionInfo;

using TCloseEvent = TEvent<TObject *, TCloseAction &>;
using TCloseQueryEvent = TEvent<TObject *, bool &>;

// A top-level window. Its widget is the client area: Width and Height are the
// client size (the frame belongs to the desktop), Left and Top place the frame.
class TCustomForm : public TWinControl
{
    TUMBLER_CLASS
public:
    explicit TCustomForm(TComponent *AOwner);
    ~TCustomForm() override;

    // Defaults to bsSizeable. bsDialog: fixed size, close button only.
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    // Defaults to poDefaultPosOnly; poDesigned places the window at Left, Top.
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value);
    // The menu bar shown along the top of the window, above the client area:
    // setting it keeps ClientHeight and makes the window taller (or shorter,
    // for null) by the bar's height. Defaults to null.
    TMainMenu *Menu() const { return FMenu; }
    void SetMenu(TMainMenu *Value);
    // Result of ShowModal; setting it non-zero ends a modal loop. Defaults to mrNone.
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value);

    void Show();
    // Shows the form modally until ModalResult is set or it closes; returns
    // the result (mrCancel when closed).
    TModalResult ShowModal();
    // Asks OnCloseQuery, then OnClose decides: hide (the default), free
    // later, or nothing. Closing the main form ends the application.
    void Close();
    // Frees the form once the current message has been handled.
    void Release();
    bool Active() const;

    TNotifyEvent OnCreate() const { return FOnCreate; }
    void SetOnCreate(const TNotifyEvent &Value) { FOnCreate = Value; }
    TNotifyEvent OnDestroy() const { return FOnDestroy; }
    void SetOnDestroy(const TNotifyEvent &Value) { FOnDestroy = Value; }
    TNotifyEvent OnShow() const { return FOnShow; }
    void SetOnShow(const TNotifyEvent &Value) { FOnShow = Value; }
    TNotifyEvent OnHide() const { return FOnHide; }
    void SetOnHide(const TNotifyEvent &Value) { FOnHide = Value; }
    TCloseEvent OnClose() const { return FOnClose; }
    void SetOnClose(const TCloseEvent &Value) { FOnClose = Value; }
    TCloseQueryEvent OnCloseQuery() const { return FOnCloseQuery; }
    void SetOnCloseQuery(const TCloseQueryEvent &Value) { FOnCloseQuery = Value; }

    // Fires OnCreate; TApplication::CreateForm calls it once the constructor
    // has finished (a form made directly calls it itself when it wants it).
    void AfterConstruction();
    // Fires OnDestroy; the application calls it before it frees its forms.
    void BeforeDestruction();
    void Dispatch(TMessage &Message) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
    // Reads the form description named after the class (":/forms/<CLASS>.dfm",
    // upper case) into this form. A derived form calls it first in its own
    // constructor body. Raises EResNotFound when there is none.
    void LoadFormDescription();
    QWidget *CreateWidget() override;
    void WidgetCreated() override;
    void ApplyText() override;
    void ApplyColor() override;
    virtual void DoCreate();
    virtual void DoShow();
    virtual void DoHide();
    virtual bool CloseQuery();
    virtual void DoClose(TCloseAction &Action);
    void Notification(TComponent *AComponent, TOperation Operation) override;
    int ClientTop() const override { return FMenuHeight; }

public:
    // The window less the menu bar.
    TRect ClientRect() const override { return Rect(0, 0, Width(), Height() - FMenuHeight); }

private:
    void applyBorderStyle();
    void applyMenu();
    void applyPosition();
    void endModality();
    bool neverStored() const { return false; }
    int pixelsPerInch() const { return FPixelsPerInch; }
    void setPixelsPerInch(int Value) { FPixelsPerInch = Value; }
    int textHeight() const { return FTextHeight; }
    void setTextHeight(int Value) { FTextHeight = Value; }
    bool oldCreateOrder() const { return FOldCreateOrder; }
    void setOldCreateOrder(bool Value) { FOldCreateOrder = Value; }

    int FPixelsPerInch = TFont::PixelsPerInch;
    int FTextHeight = 13;
    bool FOldCreateOrder = false;
    bool FDestroyFired = false;

    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDefaultPosOnly;
    TModalResult FModalResult = mrNone;
    TMainMenu *FMenu = nullptr;
    int FMenuHeight = 0; // of the menu bar, 0 without one
    bool FModal = false;
    bool *FModalFreed = nullptr; // set while a modal loop runs, to tell it the form is gone
    bool FCreated = false;
    TNotifyEvent FOnCreate;
    TNotifyEvent FOnDestroy;
    TNotifyEvent FOnShow;
    TNotifyEvent FOnHide;
    TCloseEvent FOnClose;
    TCloseQueryEvent FOnCloseQuery;
};

class TForm : public TCustomForm
{
    TUMBLER_CLASS
public:
    using TCustomForm::TCustomForm;
};

// The form a control sits on, or null.
TCustomForm *GetParentForm(TControl *Control);

class EResNotFound : public Exception
{
public:
    using Exception::Exception;
};

// The application: its forms (owned), its title and its message loop.
class TApplication : public TComponent
{
    TUMBLER_CLASS
public:
    // Uses the running QApplication, or makes one from argc/argv when there
    // is none. Sets the globals Application and Screen.
    explicit TApplication(TComponent *AOwner = nullptr);
    TApplication(int &argc, char **argv);
    ~TApplication() override;

    // Registers the framework's classes for form descriptions.
    void Initialize();
    // The name of the program for messages. Defaults to empty.
    const String &Title() const { return FTitle; }
    void SetTitle(const String &Value) { FTitle = Value; }
    // Full path of the program file.
    String ExeName() const;
    // An opaque value standing for the application's window.
    std::uintptr_t Handle() const;

    // Makes a form owned by the application and stores it in Reference
    // before it fires OnCreate; the first form made is the main form.
    template <class T> void CreateForm(T *&Reference)
    {
        Reference = nullptr;
        auto *form = new T(this);
        Reference = form;
        if (!FMainForm)
            FMainForm = form;
        form->AfterConstruction();
    }
    TCustomForm *MainForm() const { return FMainForm; }

    // Shows the main form and runs the message loop until it closes (or
    // Terminate). Returns at once without a main form or once terminated.
    void Run();
    // Handles every pending event, then returns. Posted events (repaints,
    // deferred work) go out on every call; the system's queue (input,
    // timers) is asked at most once a millisecond, so that a loop pumping
    // after every small step does not spend its time asking.
    void ProcessMessages();
    // Ends the message loop (Run returns once the current handler finishes).
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // Prints the message to stderr and shows it in a message box; on the
    // offscreen and minimal platforms (tests, scripts) only the print
    // happens, since no one could close the box.
    void ShowException(const std::exception &E);
    // Where exceptions that escape event handlers go: OnException, else
    // ShowException.
    void HandleException(const std::exception &E);
    TEvent<TObject *, const std::exception &> OnException;

    // Sends CM_SYSCOLORCHANGE to every form (the desktop's colours changed).
    void SysColorChanged();

    // The messages shown so far (tests read them).
    int ShownExceptionCount() const { return FShownExceptions; }

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    // What both public constructors do, with the arguments for a QApplication.
    TApplication(TComponent *AOwner, int &argc, char **argv);

    std::unique_ptr<QApplication> FOwnQApplication;
    std::unique_ptr<QObject> FPaletteWatch; // tells the forms of colour changes
    String FTitle;
    TCustomForm *FMainForm = nullptr;
    bool FTerminated = false;
    bool FRunning = false;
    int FShownExceptions = 0;
    std::int64_t FLastPoll = -1; // when ProcessMessages last asked the system, in ns
    class TScreen *FScreen = nullptr;
};

// The screen: its size, the forms and the application-wide cursor.
class TScreen : public TComponent
{
    TUMBLER_CLASS
public:
    explicit TScreen(TComponent *AOwner);
    ~TScreen() override;

    // The cursor over every window; crDefault lets each control show its own.
    // Each change replaces the previous override, so overrides never pile up.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    int Width() const;
    int Height() const;
    // Screen resolution that font sizes refer to (96).
    int PixelsPerInch() const { return TFont::PixelsPerInch; }

private:
    TCursor FCursor = crDefault;
};

extern TApplication *Application;
extern TScreen *Screen;
