#pragma once

// The component gallery: one window, read from its form description, with
// every component of the library working as an application would use it.

#include "components/controls/AnimatedLabel.h"
#include "components/controls/FancyButton.h"
#include "components/controls/NumberEdit.h"
#include "components/controls/URLStatic.h"
#include "components/controls/UnitEdit.h"
#include "components/controls/version.h"
#include "components/mru/JMRU.h"
#include "components/mru/MRUCombo.h"
#include "components/undo/undo.h"
#include "framework/ActnList.h"
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

// The registry key the gallery keeps its lists under.
inline constexpr char GalleryRegistryKey[] = "Software\\Marrowlight Software\\Gallery";

class TGalleryForm : public TForm
{
    TUMBLER_CLASS
public:
    explicit TGalleryForm(TComponent *AOwner);
    ~TGalleryForm() override;

    // Published fields, set from the form description.
    TMainMenu *MainMenu1 = nullptr;
    TMenuItem *mnuFile = nullptr;
    TMenuItem *mnuOpen = nullptr;
    TMenuItem *mnuReopen = nullptr;
    TMenuItem *mnuExit = nullptr;
    TOpenDialog *OpenDialog1 = nullptr;
    TJMostRecentlyUsedList *RecentFiles = nullptr;
    TLabel *lblOpened = nullptr;
    TMRUCombo *cbRecentText = nullptr;
    TNumberEdit *edNumber = nullptr;
    TUnitEdit *edLength = nullptr;
    TVersionLabel *lblVersion = nullptr;
    TURLStatic *lnkHome = nullptr;
    TAnimatedLabel *lblFlash = nullptr;
    TAnimatedLabel *lblFly = nullptr;
    TAnimatedLabel *lblFade = nullptr;
    TMenuItem *mnuEdit = nullptr;
    TMenuItem *mnuUndo = nullptr;
    TActionList *ActionList1 = nullptr;
    TAction *actUndo = nullptr;
    TAction *actUndoTick = nullptr;
    TUndoMultiBuffer *UndoMulti = nullptr;
    TUndoSingleBuffer *UndoSingle = nullptr;
    JAction *jaSetValue = nullptr;
    JAction *jaTick = nullptr;
    JAction *jaRetick = nullptr;
    TCheckBox *cbTicked = nullptr;
    TButton *btnUndoTick = nullptr;
    TFancyButton *btnPress = nullptr;
    TFancyButton *btnShadow = nullptr;
    TFancyButton *btnLeft = nullptr;
    TFancyButton *btnCenter = nullptr;
    TFancyButton *btnRight = nullptr;
    TFancyButton *btnStop = nullptr;
    TLabel *lblPressed = nullptr;

    // Published methods, bound by the form description.
    void mnuOpenClick(TObject *Sender);
    void mnuExitClick(TObject *Sender);
    void RecentFilesSelect(TObject *Sender, const String &Item, bool &Opened);
    void cbRecentTextKeyDown(TObject *Sender, std::uint16_t &Key, TShiftState Shift);
    void FormCreate(TObject *Sender);
    void ValueExit(TObject *Sender);
    void actUndoExecute(TObject *Sender);
    void actUndoTickExecute(TObject *Sender);
    void cbTickedClick(TObject *Sender);
    void jaSetValueDo(JActionData *Data, pJActionData *Inverse);
    void jaTickDo(JActionData *Data, pJActionData *Inverse);
    void btnPressClick(TObject *Sender);
    void AlignClick(TObject *Sender);

    // What "Open..." does with the chosen file: it goes to the top of the
    // recently-used list and the window says it was opened.
    void OpenFile(const String &FileName);
    // Takes a changed number field into the multi-level undo buffer; the
    // fields do so when the focus leaves them.
    void CommitValues();

private:
    // The number fields whose changes Edit, Undo takes back, by index.
    enum ValueField
    {
        NumberField,
        LengthField,
        ValueFieldCount
    };
    TNumberEdit *valueEdit(int Field) const;

    // The values as last taken into the undo buffer, and the tick box's state.
    float FCommitted[ValueFieldCount] = {};
    bool FTicked = false;
    // Set while an undo record puts a value back, so that the change it makes
    // is not taken as the user's.
    bool FPerforming = false;
    int FPresses = 0;
};
