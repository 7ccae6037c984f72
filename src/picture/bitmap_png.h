// PNG files and bytes to and from bitmaps, through libpng.
#pragma once

#include "picture/bitmap.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace lyrimo {

// The bitmap as an 8-bit RGB PNG; empty when the bitmap is empty or encoding fails.
QByteArray EncodePng(const Bitmap& bitmap);
// Writes the PNG through a temporary file that replaces path only when complete.
bool SavePng(const Bitmap& bitmap, const QString& path);

// Decodes PNG bytes into a 32-bit bitmap. Transparent and translucent pixels are
// composed over black, as when the picture is drawn on a fresh bitmap. False (and
// target untouched) for anything that is not a whole, valid PNG of allowed size.
bool DecodePng(const uint8_t* data, size_t size, Bitmap& target);
bool LoadPng(const QString& path, Bitmap& target);

} // namespace lyrimo
