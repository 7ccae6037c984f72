// Writing bitmaps as uncompressed 24-bit BMP files.
#pragma once

#include "picture/bitmap.h"

#include <QByteArray>
#include <QString>

namespace lyrimo {

// The bitmap as a bottom-up 24-bit BMP; empty when the bitmap is empty.
QByteArray EncodeBmp(const Bitmap& bitmap);
// Writes the BMP through a temporary file that replaces path only when complete.
bool SaveBmp(const Bitmap& bitmap, const QString& path);

} // namespace lyrimo
