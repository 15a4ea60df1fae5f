#include "examples/gallery/Gallery.h"

#include "framework/TypInfo.h"

#include <QtGlobal>

// The form description and glyphs are compiled into this library; a static
// library's resources must be registered by hand.
static void registerGalleryResources()
{
    Q_INIT_RESOURCE(gallery);
}

const TClassInfo &TGalleryForm::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TGalleryForm>("TGalleryForm", &TForm::StaticClassInfo())
            .Component()
            .Field("MainMenu1", &TGalleryForm::MainMenu1)
            .Field("mnuFile", &TGalleryForm::mnuFile)
            .Field("mnuOpen", &TGalleryForm::mnuOpen)
            .Field("mnuReopen", &TGalleryForm::mnuReopen)
            .Field("mnuExit", &TGalleryForm::mnuExit)
            .Field("OpenDialog1", &TGalleryForm::OpenDialog1)
            .Field("RecentFiles", &TGalleryForm::RecentFiles)
            .Field("lblOpened", &TGalleryForm::lblOpened)
            .Field("cbRecentText", &TGalleryForm::cbRecentText)
            .Field("edNumber", &TGalleryForm::edNumber)
            .Field("edLength", &TGalleryForm::edLength)
            .Field("lblVersion", &TGalleryForm::lblVersion)
            .Field("lnkHome", &TGalleryForm::lnkHome)
            .Field("lblFlash", &TGalleryForm::lblFlash)
            .Field("lblFly", &TGalleryForm::lblFly)
            .Field("lblFade", &TGalleryForm::lblFade)
            .Method("mnuOpenClick", &TGalleryForm::mnuOpenClick)
            .Method("mnuExitClick", &TGalleryForm::mnuExitClick)
            .Method("RecentFilesSelect", &TGalleryForm::RecentFilesSelect)
            .Method("cbRecentTextKeyDown", &TGalleryForm::cbRecentTextKeyDown)
            .Build();
    return info;
}

TGalleryForm::TGalleryForm(TComponent *AOwner) : TForm(AOwner)
{
    registerGalleryResources();
    LoadFormDescription();
}

TGalleryForm::~TGalleryForm() = default;

void TGalleryForm::mnuOpenClick(TObject *)
{
    if (OpenDialog1->Execute())
        OpenFile(OpenDialog1->FileName());
}

void TGalleryForm::mnuExitClick(TObject *)
{
    Close();
}

void TGalleryForm::OpenFile(const String &FileName)
{
    RecentFiles->Add(FileName);
    lblOpened->SetCaption("Opened " + FileName);
}

void TGalleryForm::RecentFilesSelect(TObject *, const String &Item, bool &)
{
    // A real editor would open the file again; the gallery shows which one.
    RecentFiles->Add(Item);
    lblOpened->SetCaption("Reopened " + Item);
}

void TGalleryForm::cbRecentTextKeyDown(TObject *, std::uint16_t &Key, TShiftState)
{
    if (Key != VK_RETURN)
        return;
    cbRecentText->UpdateList();
    Key = 0;
}
