#include "framework/Graphics.h"

#include <QImage>

// ---------------------------------------------------------------------------
// Picture

const TClassInfo &TPicture::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TPicture>("TPicture", &TPersistent::StaticClassInfo())
            .Binary("Data", &TPicture::Data, &TPicture::SetData)
            .StoredIf(&TPicture::hasPicture)
            .Build();
    return info;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

bool TPicture::hasPicture() const
{
    return FBitmap && !FBitmap->Empty();
}

TBitmap *TPicture::Bitmap()
{
    if (!FBitmap) {
        FBitmap = std::make_unique<TBitmap>();
        FBitmap->OnChange = TNotifyEvent(this, &TPicture::bitmapChanged);
    }
    return FBitmap.get();
}

int TPicture::Width() const
{
    return FBitmap ? FBitmap->Width() : 0;
}

int TPicture::Height() const
{
    return FBitmap ? FBitmap->Height() : 0;
}

void TPicture::LoadFromFile(const String &FileName)
{
    Bitmap()->LoadFromFile(FileName);
}

std::vector<std::uint8_t> TPicture::Data() const
{
    if (!hasPicture())
        return {};
    return FBitmap->SaveToPNG();
}

void TPicture::SetData(const std::vector<std::uint8_t> &Value)
{
    if (Value.empty()) {
        if (FBitmap)
            FBitmap->SetImage(QImage());
        return;
    }
    Bitmap()->LoadFromBytes(Value);
}

void TPicture::Assign(TPersistent *Source)
{
    if (!Source) {
        if (FBitmap)
            FBitmap->SetImage(QImage());
        return;
    }
    if (auto *p = dynamic_cast<TPicture *>(Source)) {
        if (p->FBitmap)
            Bitmap()->Assign(p->FBitmap.get());
        else if (FBitmap)
            FBitmap->SetImage(QImage());
        return;
    }
    if (auto *b = dynamic_cast<TBitmap *>(Source)) {
        Bitmap()->Assign(b);
        return;
    }
    TPersistent::Assign(Source);
}

void TPicture::bitmapChanged(TObject *)
{
    if (OnChange)
        OnChange(this);
}
