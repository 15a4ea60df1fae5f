#include "tests/framework/controls/SampleForm.h"

const TClassInfo &TSampleForm::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TSampleForm>("TSampleForm", &TForm::StaticClassInfo())
            .Component()
            .Field("Server", &TSampleForm::Server)
            .Field("Link", &TSampleForm::Link)
            .Field("tbServer", &TSampleForm::tbServer)
            .Field("btnReset", &TSampleForm::btnReset)
            .Field("Memo1", &TSampleForm::Memo1)
            .Field("btnConnect", &TSampleForm::btnConnect)
            .Field("cbAll", &TSampleForm::cbAll)
            .Field("Button1", &TSampleForm::Button1)
            .Field("ImageList1", &TSampleForm::ImageList1)
            .Method("FormCreate", &TSampleForm::FormCreate)
            .Method("btnConnectClick", &TSampleForm::btnConnectClick)
            .Method("Button1Click", &TSampleForm::Button1Click)
            .Build();
    return info;
}

TSampleForm::TSampleForm(TComponent *AOwner) : TForm(AOwner)
{
    LoadFormDescription();
    constructed = true;
}

void TSampleForm::FormCreate(TObject *)
{
    ++creates;
    fieldsSetAtCreate = constructed && tbServer && Memo1;
}

void TSampleForm::btnConnectClick(TObject *)
{
    ++connects;
}

void TSampleForm::Button1Click(TObject *)
{
    Close();
}
