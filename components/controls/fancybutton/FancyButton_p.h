#pragma once

// What the glyph button's classes share and do not publish.

#include "components/controls/FancyButton.h"

namespace fancybutton_detail {

// The cache of the process, made when none exists.
TGlyphCache &EnsureGlyphCache();
// Deletes the cache once it holds no list (the last glyph object went).
void DropGlyphCacheIfEmpty();

} // namespace fancybutton_detail
