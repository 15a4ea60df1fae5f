#pragma once

// A quantity with its unit of measure: a number box on the left and a caption
// showing the unit on its right, both parts of one container.
//
// The parts are made once, when the control is read from a form description
// (Loaded) or gets its window outside loading, whichever comes first; they are
// placed by the control's width at that moment and stay where they are when
// the control is resized later. Unit, Value, EditColor and UnitColor may be
// set before the parts exist: they are kept and given to the parts when these
// are made.

#include "components/controls/NumberEdit.h"
#include "framework/StdCtrls.h"

#include <optional>

class TUnitEdit : public TCustomControl
{
    TUMBLER_CLASS
public:
    // 20 pixels high, no parts yet.
    explicit TUnitEdit(TComponent *AOwner);
    ~TUnitEdit() override;

    // Makes and places the two parts: the number box at (0, 0), Width - 30
    // wide and 20 high; the unit caption at (Width - 28, 2), 30 by 18, sized
    // to its text when that is not empty.
    void CreateParts();

    // Shows both parts (not the container itself).
    void Show();

    // The unit text shown in the caption. Defaults to empty.
    const String &Unit() const { return FUnit; }
    void SetUnit(const String &Value);
    // The number box's Value (0 for a text that is not a number). Defaults to 0.
    float GetValue() const;
    void SetValue(float Value);
    // The number box's background colour. Defaults to clWindow.
    TColor EditColor() const { return FEditColor; }
    void SetEditColor(TColor Value);
    // The colour of the unit caption and of the container around the parts.
    // Defaults to clBtnFace.
    TColor UnitColor() const { return FUnitColor; }
    void SetUnitColor(TColor Value);

    // The parts, or null before they are made.
    TNumberEdit *NumberPart() const { return FNumber; }
    TStaticText *UnitPart() const { return FUnitText; }

    void Loaded() override;

protected:
    // Makes the parts too, unless the control is being read from a form
    // description: then its width is not known yet, and Loaded makes them.
    void CreateWnd() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    bool hasParts() const { return ControlCount() > 0; }

    TNumberEdit *FNumber = nullptr;   // owned by this control as a component
    TStaticText *FUnitText = nullptr; // owned by this control as a component
    String FUnit;
    TColor FEditColor = clWindow;
    TColor FUnitColor = clBtnFace;
    // Set before the parts existed, for them to take when they are made.
    std::optional<float> FPendingValue;
    bool FEditColorGiven = false;
    bool FUnitColorGiven = false;
};

namespace UnitEdit {
// Puts TUnitEdit on the component palette page "Marrow 2"; nothing else.
void Register();
} // namespace UnitEdit
