#pragma once

// A one-line box for a number: the text is right-aligned, Value reads it as a
// number and writes a number into it. Keystrokes are not filtered; a text that
// is not a number reads as 0.

#include "framework/StdCtrls.h"

#include <cstdint>

enum TNumberType : std::uint8_t
{
    ntInteger,
    ntFloat
};
extern const TEnumInfo NumberTypeInfo;

class TNumberEdit : public TCustomEdit
{
    TUMBLER_CLASS
public:
    // An empty text, ntInteger.
    explicit TNumberEdit(TComponent *AOwner);
    ~TNumberEdit() override;

    // Whether the text is a number as StrToFloat reads it (blanks around it,
    // the locale's decimal separator, no thousands separators).
    bool Validate() const;

    // The text as a number: 0 when it is not one, or when it lies beyond the
    // range of a float. Setting it writes the number with at most 7
    // significant digits (2.5, 1234567, 1.234568E7, 5E-5), which fires
    // OnChange as any change of the text does. Defaults to 0; form
    // descriptions store the number here, never the text.
    float GetValue() const;
    void SetValue(float Value);

    // Stored with the form; nothing depends on it: both kinds read and write
    // fractions alike. Defaults to ntInteger.
    TNumberType NumberType() const { return FNumberType; }
    void SetNumberType(TNumberType Value) { FNumberType = Value; }

protected:
    // Right-aligned text (ES_RIGHT) in an edit window.
    void CreateParams(TCreateParams &Params) override;
    bool IsTextStored() const override { return false; }

private:
    TNumberType FNumberType = ntInteger;
};

namespace NumberEdit {
// Puts TNumberEdit on the component palette page "Marrow 2"; nothing else.
void Register();
} // namespace NumberEdit
