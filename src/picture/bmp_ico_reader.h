// Readers for Windows BMP and ICO pictures held in memory.
//
// Both produce 32-bit bitmaps and return false, leaving the target untouched, for
// anything malformed, truncated or larger than kMaxPicturePixels.
#pragma once

#include "picture/bitmap.h"

#include <cstddef>
#include <cstdint>

namespace lyrimo {

// BMP files: 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, RLE8, RLE4 and
// bit fields, stored bottom-up or top-down, with core (OS/2) or Windows headers.
bool ReadBmp(const uint8_t* data, size_t size, Bitmap& target);

// ICO (and CUR) files: the largest image of the directory, stored as a BMP without
// file header or as a PNG. When the largest cannot be read the next one is tried.
// Images with an alpha channel are composed over black; the AND mask changes
// nothing on a black background and is not needed.
bool ReadIco(const uint8_t* data, size_t size, Bitmap& target);

} // namespace lyrimo
