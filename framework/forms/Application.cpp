#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/controls/Controls_p.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <iostream>

TApplication *Application = nullptr;

void RegisterFrameworkClasses()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterClasses<TForm, TLabel, TEdit, TMemo, TButton, TCheckBox, TComboBox, TStaticText, TImage,
                    TImageList, TListView, TMainMenu, TPopupMenu, TMenuItem, TTimer, TActionList,
                    TAction, TOpenDialog>();
}

// ---------------------------------------------------------------------------
// TApplication

const TClassInfo &TApplication::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TApplication>("TApplication", &TComponent::StaticClassInfo()).Build();
    return info;
}

namespace {
int fallbackArgc = 1;

// Hears the application's palette change, which stands for the desktop's
// system colours changing.
class PaletteWatch : public QObject
{
public:
    explicit PaletteWatch(TApplication *App) : FApp(App) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        if (Watched == qApp && Event->type() == QEvent::ApplicationPaletteChange) {
            try {
                FApp->SysColorChanged();
            } catch (const std::exception &e) {
                FApp->HandleException(e);
            }
        }
        return false;
    }

private:
    TApplication *FApp;
};

char fallbackName[] = "tumblerset";
char *fallbackArgv[] = {fallbackName, nullptr};
} // namespace

TApplication::TApplication(TComponent *AOwner) : TApplication(AOwner, fallbackArgc, fallbackArgv) {}

TApplication::TApplication(int &argc, char **argv) : TApplication(nullptr, argc, argv) {}

TApplication::TApplication(TComponent *AOwner, int &argc, char **argv) : TComponent(AOwner)
{
    if (!QCoreApplication::instance())
        FOwnQApplication = std::make_unique<QApplication>(argc, argv);
    Application = this;
    FScreen = new TScreen(this);
    Screen = FScreen;
    FPaletteWatch = std::make_unique<PaletteWatch>(this);
    controls_detail::SetExceptionHandler([this](const std::exception &e) { HandleException(e); });
}

TApplication::~TApplication()
{
    Destroying();
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto *form = dynamic_cast<TCustomForm *>(Components(i)))
            form->BeforeDestruction();
    // The forms and the screen go while Qt is still there.
    FPaletteWatch.reset();
    DestroyComponents();
    controls_detail::SetExceptionHandler(nullptr);
    if (Application == this)
        Application = nullptr;
    Screen = nullptr;
}

void TApplication::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == FMainForm)
            FMainForm = nullptr;
        if (AComponent == FScreen) {
            FScreen = nullptr;
            Screen = nullptr;
        }
    }
}

void TApplication::SysColorChanged()
{
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto *form = dynamic_cast<TCustomForm *>(Components(i)))
            form->Perform(CM_SYSCOLORCHANGE);
}

void TApplication::Initialize()
{
    RegisterFrameworkClasses();
}

String TApplication::ExeName() const
{
    return QCoreApplication::applicationFilePath().toStdString();
}

std::uintptr_t TApplication::Handle() const
{
    return reinterpret_cast<std::uintptr_t>(this);
}

void TApplication::Run()
{
    if (!FMainForm || FTerminated)
        return;
    FMainForm->Show();
    if (FTerminated)
        return;
    const QScopedValueRollback<bool> running(FRunning, true);
    QApplication::exec();
}

void TApplication::ProcessMessages()
{
    // Asking the system's queue costs several times more than appending a
    // list row; a listing pumps after every account.
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    QCoreApplication::sendPostedEvents();
    const std::int64_t now = clock.nsecsElapsed();
    if (FLastPoll >= 0 && now - FLastPoll < 1'000'000)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    FLastPoll = clock.nsecsElapsed();
}

void TApplication::Terminate()
{
    FTerminated = true;
    QCoreApplication::exit(0);
}

void TApplication::ShowException(const std::exception &E)
{
    ++FShownExceptions;
    String message = E.what();
    std::cerr << (FTitle.empty() ? String("Error") : FTitle) << ": " << message << std::endl;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return;
    // An exception's text may quote names from files and servers: plain text,
    // never markup.
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(FTitle),
                    QString::fromStdString(message), QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TApplication::HandleException(const std::exception &E)
{
    if (OnException) {
        OnException(this, E);
        return;
    }
    ShowException(E);
}
