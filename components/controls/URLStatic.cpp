#include "components/controls/URLStatic.h"

#include "framework/Forms.h"
#include "framework/TypInfo.h"
#include "platform/shell/Shell.h"

const TClassInfo &TURLStatic::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TURLStatic>("TURLStatic", &TLabel::StaticClassInfo())
            .Component()
            .Text("URL", &TURLStatic::GetURL, &TURLStatic::SetURL, std::nullopt)
            .Build();
    return info;
}

TURLStatic::TURLStatic(TComponent *AOwner) : TLabel(AOwner)
{
    FURL.clear();
    SetCursor(crHandPoint);
    Font()->SetColor(clBlue);
    Font()->SetName("Arial");
    Font()->SetStyle({fsUnderline});
    SetTransparent(true);
}

TURLStatic::~TURLStatic() = default;

void TURLStatic::SetURL(const String &Value)
{
    FURL = Value;
}

void TURLStatic::Dispatch(TMessage &Message)
{
    if (Message.Msg == WM_LBUTTONDOWN) {
        TWMMouse mouse(Message);
        WMLButtonDown(mouse);
        return;
    }
    TLabel::Dispatch(Message);
}

void TURLStatic::WMLButtonDown(TWMMouse &)
{
    openAddress();
}

void TURLStatic::openAddress()
{
    // The result is not looked at: a desktop without a browser simply does nothing.
    ShellExecuteA(Application ? Application->Handle() : 0, "open", FURL.c_str(), "", "", SW_HIDE);
}

void URLStatic::Register()
{
    RegisterComponents("Marrow 2", {&TURLStatic::StaticClassInfo()});
}
