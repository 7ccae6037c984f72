// Fitting a picture (a background, a slide) to an area: stretched smoothly over it,
// stretched keeping its proportions on a background colour, or tiled.
#pragma once

#include "picture/bitmap.h"
#include "render/changes_list.h"

#include <QByteArray>
#include <QString>

namespace lyrimo {

// Makes destination width × height in format (the process's working format unless given)
// and fills it with the
// picture: tiled from the top left when tile is set, else stretched into the largest
// rectangle of its proportions centred on backgroundColour when maintainAspect is set,
// else stretched over all of it. A missing picture, one that cannot be decoded, or one
// less than 2 pixels wide or high leaves the destination all backgroundColour.
void FitPicture(const Bitmap* picture, Bitmap& destination, bool maintainAspect, bool tile, int height,
                int width, tColour backgroundColour, tPixelFormat format = WorkingPixelFormat());
// The same for picture bytes, decoded by the extension of name.
void FitPicture(const QByteArray& bytes, const QString& name, Bitmap& destination, bool maintainAspect,
                bool tile, int height, int width, tColour backgroundColour,
                tPixelFormat format = WorkingPixelFormat());

// Draws source scaled smoothly into target's rectangle (clipped to target): bilinear
// when enlarging, averaging over the covered pixels when reducing.
void StretchPicture(const Bitmap& source, Bitmap& target, const tMyRect& rect);

} // namespace lyrimo
