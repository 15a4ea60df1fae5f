#pragma once

// Further controls: the image.

#include "framework/Controls.h"

#include <memory>

// Shows a picture, painted through the canvas.
class TImage : public TGraphicControl
{
    TUMBLER_CLASS
public:
    explicit TImage(TComponent *AOwner);
    ~TImage() override;

    // The picture shown (owned); form descriptions store it as Picture.Data.
    TPicture *Picture() const { return FPicture.get(); }
    void SetPicture(TPicture *Value) { FPicture->Assign(Value); }
    // Size follows the picture. Defaults to false.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // Centre the picture in the control. Defaults to false.
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    // Scale the picture to the control. Defaults to false.
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    // When stretching, keep the picture's proportions. Defaults to false.
    bool Proportional() const { return FProportional; }
    void SetProportional(bool Value);
    // Let the bitmap's transparent colour show the parent. Defaults to false.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);

    // Where the picture is drawn in the client area.
    TRect DestRect() const;

protected:
    void Paint() override;
    void AdjustSize() override;

private:
    void pictureChanged(TObject *Sender);
    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FCenter = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FTransparent = false;
};
