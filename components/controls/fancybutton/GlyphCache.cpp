#include "components/controls/fancybutton/FancyButton_p.h"

namespace {
// The one cache of the process; empty when none exists.
std::unique_ptr<TGlyphCache> glyphCache;
} // namespace

namespace fancybutton_detail {

TGlyphCache &EnsureGlyphCache()
{
    if (!glyphCache)
        glyphCache = std::make_unique<TGlyphCache>();
    return *glyphCache;
}

void DropGlyphCacheIfEmpty()
{
    if (glyphCache && glyphCache->IsEmpty())
        glyphCache.reset();
}

} // namespace fancybutton_detail

// ---------------------------------------------------------------------------
// TGlyphCache

TGlyphCache::TGlyphCache() : FLists(std::make_unique<TList>()) {}

TGlyphCache::~TGlyphCache()
{
    for (int i = 0; i < FLists->Count(); ++i)
        delete static_cast<TGlyphList *>(FLists->Get(i));
}

TGlyphList *TGlyphCache::AcquireList(int Width, int Height)
{
    for (int i = FLists->Count() - 1; i >= 0; --i) {
        auto *list = static_cast<TGlyphList *>(FLists->Get(i));
        if (list->Width() == Width && list->Height() == Height)
            return list;
    }
    auto list = std::make_unique<TGlyphList>(Width, Height);
    FLists->Add(list.get());
    return list.release();
}

void TGlyphCache::ReleaseList(TGlyphList *List)
{
    if (!List || List->UsedCount() != 0)
        return;
    FLists->Remove(List);
    delete List;
}

bool TGlyphCache::IsEmpty() const
{
    return FLists->Count() == 0;
}

int TGlyphCache::ListCount() const
{
    return FLists->Count();
}

TGlyphCache *TGlyphCache::Instance()
{
    return glyphCache.get();
}
