// Motifs the balls and the instrumental animations share: notes, sparkles and the
// "sticker" look (a dark border around an inflated, lit shape).
#pragma once

#include "paint_canvas.h"

namespace art {

enum class tNoteKind { Quarter, Eighth, Sixteenth };

// A note whose head, `size` pixels high, is centred at `head`; the stem rises on the right.
tShape Note(tVec head, double size, tNoteKind kind);
// Two notes joined by `beams` beams (1: eighths, 2: sixteenths).
tShape BeamedNotes(tVec firstHead, tVec secondHead, double size, int beams = 1);
// A four-pointed glint.
tShape Sparkle(tVec centre, double radius, double radians = 0);

// A dark border `outline` pixels wide, then the shape inflated and lit.
void DrawSticker(tCanvas& canvas, const tShape& shape, tRgb colour, double outline, tRgb outlineColour,
                 double bevel);

// Same as the whole shape turned by `radians` about `pivot`.
tShape Turned(const tShape& shape, double radians, tVec pivot);

} // namespace art
