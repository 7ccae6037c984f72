// Nudging colours away from key colours, so that something meant to be seen is never
// taken for the transparent colour of the image it is drawn into.
#pragma once

#include "picture/bitmap.h"

namespace lyrimo {

// Changes every channel a little so the colour no longer equals a key colour. On 24- and
// 32-bit pixels a channel c becomes c - 1 (1 when c is 0), or with fine c - 2 (c + 2 when
// c < 2). 16-bit pixels have coarser channels, so the steps are 8 (c + 8 below 8) and,
// fine, 16 (c + 16 below 16); either way the result lands on a different 5-6-5 value.
tColour NearColour(tColour colour, bool fine, tPixelFormat format = WorkingPixelFormat());

// a, unless it would be drawn as the same pixel as b or c; then a near colour of it that
// differs from both. Colours are compared as the pixels they become in format.
tColour DistinctColour(tColour a, tColour b, tColour c, tPixelFormat format = WorkingPixelFormat());

// Whether two colours become the same pixel in format.
bool SamePixel(tColour a, tColour b, tPixelFormat format);

} // namespace lyrimo
