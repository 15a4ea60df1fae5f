#include "examples/gallery/Gallery.h"

#include "framework/TypInfo.h"

#include <QScopedValueRollback>
#include <QtGlobal>
#include <memory>
#include <string>

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
            .Field("mnuEdit", &TGalleryForm::mnuEdit)
            .Field("mnuUndo", &TGalleryForm::mnuUndo)
            .Field("ActionList1", &TGalleryForm::ActionList1)
            .Field("actUndo", &TGalleryForm::actUndo)
            .Field("actUndoTick", &TGalleryForm::actUndoTick)
            .Field("UndoMulti", &TGalleryForm::UndoMulti)
            .Field("UndoSingle", &TGalleryForm::UndoSingle)
            .Field("jaSetValue", &TGalleryForm::jaSetValue)
            .Field("jaTick", &TGalleryForm::jaTick)
            .Field("jaRetick", &TGalleryForm::jaRetick)
            .Field("cbTicked", &TGalleryForm::cbTicked)
            .Field("btnUndoTick", &TGalleryForm::btnUndoTick)
            .Field("btnPress", &TGalleryForm::btnPress)
            .Field("btnShadow", &TGalleryForm::btnShadow)
            .Field("btnLeft", &TGalleryForm::btnLeft)
            .Field("btnCenter", &TGalleryForm::btnCenter)
            .Field("btnRight", &TGalleryForm::btnRight)
            .Field("btnStop", &TGalleryForm::btnStop)
            .Field("lblPressed", &TGalleryForm::lblPressed)
            .Method("mnuOpenClick", &TGalleryForm::mnuOpenClick)
            .Method("mnuExitClick", &TGalleryForm::mnuExitClick)
            .Method("RecentFilesSelect", &TGalleryForm::RecentFilesSelect)
            .Method("cbRecentTextKeyDown", &TGalleryForm::cbRecentTextKeyDown)
            .Method("FormCreate", &TGalleryForm::FormCreate)
            .Method("ValueExit", &TGalleryForm::ValueExit)
            .Method("actUndoExecute", &TGalleryForm::actUndoExecute)
            .Method("actUndoTickExecute", &TGalleryForm::actUndoTickExecute)
            .Method("cbTickedClick", &TGalleryForm::cbTickedClick)
            .Method("jaSetValueDo", &TGalleryForm::jaSetValueDo)
            .Method("jaTickDo", &TGalleryForm::jaTickDo)
            .Method("btnPressClick", &TGalleryForm::btnPressClick)
            .Method("AlignClick", &TGalleryForm::AlignClick)
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

void TGalleryForm::btnPressClick(TObject *Sender)
{
    ++FPresses;
    const String name = Sender == btnPress ? "Press me" : "Shadowed";
    lblPressed->SetCaption(name + " pressed, " + std::to_string(FPresses) +
                           (FPresses == 1 ? " press in all." : " presses in all."));
}

void TGalleryForm::AlignClick(TObject *Sender)
{
    // The group keeps one button down; the one clicked is it.
    const auto *button = static_cast<TFancyButton *>(Sender);
    lblPressed->SetCaption(button == btnLeft     ? "Aligned left."
                           : button == btnCenter ? "Centred."
                                                 : "Aligned right.");
}

void TGalleryForm::cbRecentTextKeyDown(TObject *, std::uint16_t &Key, TShiftState)
{
    if (Key != VK_RETURN)
        return;
    cbRecentText->UpdateList();
    Key = 0;
}

// ---------------------------------------------------------------------------
// Undo. Each change is a record of plain data, made with NewActionData; the
// record given to Do stays ours, the inverse the handler makes goes to the
// buffer.

namespace {

struct ValueRecord : JActionData
{
    int Field;
    float Value;
};

struct TickRecord : JActionData
{
    bool Checked;
};

// Frees a record made for Do once Do is done with it.
using OwnedRecord = std::unique_ptr<JActionData, decltype(&FreeActionData)>;

} // namespace

void TGalleryForm::FormCreate(TObject *)
{
    // The unit edit's number box is the part that takes the focus.
    edLength->NumberPart()->SetOnExit([this](TObject *Sender) { ValueExit(Sender); });
    for (int field = 0; field < ValueFieldCount; ++field)
        FCommitted[field] = valueEdit(field)->GetValue();
    FTicked = cbTicked->Checked();
}

TNumberEdit *TGalleryForm::valueEdit(int Field) const
{
    return Field == NumberField ? edNumber : edLength->NumberPart();
}

void TGalleryForm::ValueExit(TObject *)
{
    CommitValues();
}

void TGalleryForm::CommitValues()
{
    for (int field = 0; field < ValueFieldCount; ++field) {
        const float value = valueEdit(field)->GetValue();
        if (value == FCommitted[field])
            continue;
        auto *record = NewActionData<ValueRecord>(jaSetValue);
        const OwnedRecord owner(record, &FreeActionData);
        record->Field = field;
        record->Value = value;
        UndoMulti->Do(record);
    }
}

void TGalleryForm::jaSetValueDo(JActionData *Data, pJActionData *Inverse)
{
    const auto *record = static_cast<const ValueRecord *>(Data);
    auto *inverse = NewActionData<ValueRecord>(jaSetValue);
    inverse->Field = record->Field;
    inverse->Value = FCommitted[record->Field];
    *Inverse = inverse;
    FCommitted[record->Field] = record->Value;
    const QScopedValueRollback performing(FPerforming, true);
    if (valueEdit(record->Field)->GetValue() != record->Value)
        valueEdit(record->Field)->SetValue(record->Value);
}

void TGalleryForm::actUndoExecute(TObject *)
{
    // A change still being typed is taken first, so that Undo takes it back.
    CommitValues();
    UndoMulti->Undo();
}

void TGalleryForm::cbTickedClick(TObject *)
{
    if (FPerforming || cbTicked->Checked() == FTicked)
        return;
    auto *record = NewActionData<TickRecord>(jaTick);
    const OwnedRecord owner(record, &FreeActionData);
    record->Checked = cbTicked->Checked();
    UndoSingle->Do(record);
}

// Both tick actions set the box; each one's inverse is the other's, so the
// one-level buffer's button reads "Undo tick" and "Redo tick" in turn.
void TGalleryForm::jaTickDo(JActionData *Data, pJActionData *Inverse)
{
    const auto *record = static_cast<const TickRecord *>(Data);
    auto *inverse = NewActionData<TickRecord>(record->action == jaTick ? jaRetick : jaTick);
    inverse->Checked = FTicked;
    *Inverse = inverse;
    FTicked = record->Checked;
    const QScopedValueRollback performing(FPerforming, true);
    cbTicked->SetChecked(record->Checked);
}

void TGalleryForm::actUndoTickExecute(TObject *)
{
    UndoSingle->Undo();
}
