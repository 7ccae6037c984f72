// The three ball pictures, drawn in the layouts the ball loader cuts from.
#pragma once

#include "picture/bitmap.h"

namespace art {

// Balls 0..44: 15 columns × 3 groups of three rows. Balls 0..29 are still balls whose rows
// are round, squashed and flatter (the landing); balls 30..44 loop through their rows
// back and forth (0, 1, 2, 1), so their rows are three steps of a small animation.
lyrimo::Bitmap DrawBalls1();
// Balls 45..52: one column each, 15 frames of a seamless loop.
lyrimo::Bitmap DrawBalls2();
// Ball 53: a rolling ball, 19 frames, the first 15 a seamless loop.
lyrimo::Bitmap DrawBalls3();

} // namespace art
