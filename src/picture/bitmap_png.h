// PNG files and bytes to and from bitmaps, through libpng.
#pragma once

#include "picture/bitmap.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace lyrimo {

enum class tPngCompression {
    Small, // zlib's default level: pictures that are kept
    Fast,  // several times faster, several times larger: frame sequences
};

// The bitmap as an 8-bit RGB PNG; empty when the bitmap is empty or encoding fails.
QByteArray EncodePng(const Bitmap& bitmap, tPngCompression compression = tPngCompression::Small);
// Writes the PNG through a temporary file that replaces path only when complete.
bool SavePng(const Bitmap& bitmap, const QString& path, tPngCompression compression = tPngCompression::Small);

// Decodes PNG bytes into a 32-bit bitmap. Transparent and translucent pixels are
// composed over black, as when the picture is drawn on a fresh bitmap. False (and
// target untouched) for anything that is not a whole, valid PNG of allowed size.
bool DecodePng(const uint8_t* data, size_t size, Bitmap& target);
bool LoadPng(const QString& path, Bitmap& target);

} // namespace lyrimo
