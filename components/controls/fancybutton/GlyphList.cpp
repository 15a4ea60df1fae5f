#include "components/controls/FancyButton.h"

// ---------------------------------------------------------------------------
// TGlyphList

TGlyphList::TGlyphList(int Width, int Height)
    : TImageList(nullptr), FUsedSlots(std::make_unique<TBits>())
{
    SetWidth(Width);
    SetHeight(Height);
}

TGlyphList::~TGlyphList() = default;

int TGlyphList::ReserveSlot()
{
    int i = FUsedSlots->OpenBit();
    if (i >= FUsedSlots->Size()) {
        i = Add(nullptr, nullptr);
        FUsedSlots->SetSize(i + 1);
    }
    FUsedSlots->Set(i, true);
    return i;
}

int TGlyphList::StoreImage(TBitmap *Image, TColor MaskColor)
{
    const int i = ReserveSlot();
    try {
        ReplaceMasked(i, Image, MaskColor);
    } catch (...) {
        // The slot holds nothing usable: it is free again.
        FUsedSlots->Set(i, false);
        throw;
    }
    ++FUsedCount;
    return i;
}

void TGlyphList::FreeSlot(int Index)
{
    if (Index < 0 || Index >= FUsedSlots->Size() || !FUsedSlots->Get(Index))
        return;
    --FUsedCount;
    FUsedSlots->Set(Index, false);
}
