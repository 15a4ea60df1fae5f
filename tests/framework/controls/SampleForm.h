#pragma once

// A window like the tool's main window, read from the form description
// TSAMPLEFORM that the test program carries as a resource.

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/StdCtrls.h"

class TSampleForm : public TForm
{
    TUMBLER_CLASS
public:
    explicit TSampleForm(TComponent *AOwner);

    TLabel *Server = nullptr;
    TLabel *Link = nullptr;
    TEdit *tbServer = nullptr;
    TButton *btnReset = nullptr;
    TMemo *Memo1 = nullptr;
    TButton *btnConnect = nullptr;
    TCheckBox *cbAll = nullptr;
    TButton *Button1 = nullptr;
    TImageList *ImageList1 = nullptr;

    void FormCreate(TObject *Sender);
    void btnConnectClick(TObject *Sender);
    void Button1Click(TObject *Sender);

    int creates = 0;
    bool fieldsSetAtCreate = false;
    bool constructed = false;
    int connects = 0;
};
