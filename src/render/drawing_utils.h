// Pixel routines shared by the renderers: colour-keyed and blended rectangle copies,
// shapes of drawn pixels, colour replacement, pixel formats, and the font measurements
// that seat lyrics on the screen.
#pragma once

#include "picture/bitmap.h"
#include "render/changes_list.h"
#include "render/font_backend.h"
#include "render/region.h"

namespace lyrimo {

// A key colour that no pixel has: copies with it skip nothing.
constexpr tColour kNoKeyColour = 0xFFFFFFFF;

// Copies sourceRect of source to (x, y) of destination, skipping source pixels of
// keyColour. Alpha 255 replaces, alpha 0 (or less) draws nothing, values between blend
// each colour channel: (s × alpha) >> 8 + (d × (255 − alpha)) >> 8, on 16-bit pixels
// with alpha / 4 over 63 per 5- or 6-bit field. A rectangle reaching outside the source
// or a position outside the destination is clipped, the two staying aligned. When the
// formats differ, both bitmaps are first converted to the working pixel format.
void BlendCopy(Bitmap& source, Bitmap& destination, const tMyRect& sourceRect, tColour keyColour, int alpha,
               int y, int x);

// The pixels of rect (limited to the bitmap) that differ from keyColour, compared in format:
// the bitmap is first converted to it (renderers pass the format their bitmaps already have).
tRegion RegionOfNonKeyPixels(Bitmap& bitmap, const tMyRect& rect, tColour keyColour, tPixelFormat format);
tRegion RegionOfNonKeyPixels(Bitmap& bitmap, tColour keyColour, tPixelFormat format);
// The same in the process's working pixel format.
tRegion RegionOfNonKeyPixels(Bitmap& bitmap, const tMyRect& rect, tColour keyColour);
tRegion RegionOfNonKeyPixels(Bitmap& bitmap, tColour keyColour);

// Every pixel exactly equal to from (in the bitmap's own format) becomes to.
void ReplaceColour(Bitmap& bitmap, tColour from, tColour to);

// 16-bit targets are always 5-6-5.
void ConvertPixelFormat(Bitmap& bitmap, tPixelFormat format);

// The working pixel format for the "GraphicsMode" setting: 1 16-bit, 2 24-bit, 3 32-bit,
// otherwise 16-bit on screens of fewer than 20 bits per pixel and 24-bit on others.
tPixelFormat PixelFormatForGraphicsMode(int graphicsMode, int screenBitsPerPixel);
// Makes the process's working pixel format follow the settings' "GraphicsMode". Done once at
// start; a performance passes its frame format to what it creates and never changes this.
void ApplyGraphicsModeSetting(int screenBitsPerPixel);

// Changes the font's size so that text laid out for designWidth pixels fills
// targetWidth pixels, measured on a string of "W" as wide as designWidth. Sizes stay
// within 1 to 999 points; nothing changes when either width is below 1.
void ScaleFontToWidth(tFont& font, int designWidth, int targetWidth);

struct tInkTop {
    int InkTop = 0; // first row below a text row's top that lower-case letters reach
    int Ascent = 0;
    int Height = 0;
};
// Draws lower-case letters without ascenders in the font (without anti-aliasing) and
// finds the first row that holds ink.
tInkTop MeasureInkTop(const tFont& font);
// The first row of the bitmap with a pixel having any channel above 5; 0 when none.
int FirstInkRow(const Bitmap& bitmap);

// Renderers draw lyrics without anti-aliasing, so that no pixel takes an in-between
// colour next to a key colour.
void SetFontQuality(tFont& font, bool antiAliased);

// A rectangle of source's proportions, as large as fits in target, centred in it.
tMyRect AspectFit(const tMyRect& source, const tMyRect& target);

// Every channel halved: dimmed text.
inline tColour HalfColour(tColour colour) { return (colour >> 1) & 0x7F7F7F; }

} // namespace lyrimo
