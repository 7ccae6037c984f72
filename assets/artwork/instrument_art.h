// The instrumental-break animations: horizontal strips of looping frames on a background
// colour used nowhere else.
#pragma once

#include "picture/bitmap.h"

namespace art {

// The background of every strip.
constexpr lyrimo::tColour kInstrumentKey = 0xFF00FF; // magenta

// Strip `index` 0..3: dancing notes, a ring of singing notes, a saxophone, a trumpet.
lyrimo::Bitmap DrawInstrument(int index);

} // namespace art
