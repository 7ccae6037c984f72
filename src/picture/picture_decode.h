// Decoding pictures held in memory as the bytes of their source files (slide-show
// pictures, backgrounds, custom balls and animations), chosen by the source file's
// extension. Decoding never shows a message: what cannot be decoded yields false.
#pragma once

#include "picture/bitmap.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lyrimo {

// The extension of a file name with its point ("" when none); '/', '\' and ':'
// all end folder names, since songs made on other systems store such paths.
QString PictureExtension(const QString& fileName);

// Decodes by the extension of sourceFileName, compared without regard to case:
// ".JPG", ".JPEG", ".BMP", ".PNG" and ".ICO" as single pictures, ".GIF" as its
// first frame. On success target becomes the picture's size in format (the process's
// working format unless given) with the picture at its top left. An empty buffer, an
// unknown extension or a picture that cannot be decoded gives false and leaves target
// untouched.
bool DecodePicture(const QByteArray& bytes, const QString& sourceFileName, Bitmap& target,
                   tPixelFormat format = WorkingPixelFormat());

// Decodes a ".GIF" animation into a strip of all its frames side by side (in format),
// its frame count, cumulative frame end times and the strip's transparent colour.
// frameEnds is emptied first; other outputs change only on success.
bool DecodeAnimation(const QByteArray& bytes, const QString& sourceFileName, Bitmap& strip,
                     std::vector<int32_t>& frameEnds, int& frameCount, tColour& transparentColour,
                     tPixelFormat format = WorkingPixelFormat());

// Reads a picture file and decodes it by its extension as DecodePicture does.
bool LoadPictureFile(const QString& path, Bitmap& target, tPixelFormat format = WorkingPixelFormat());

// JPEG bytes into a 32-bit bitmap; false for anything malformed, truncated or too large.
bool DecodeJpeg(const uint8_t* data, size_t size, Bitmap& target);

} // namespace lyrimo
