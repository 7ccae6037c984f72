// libpng reports errors by longjmp. Only its simplified API is used here: that API
// sets its own jump point inside libpng's C code and returns a failure flag, so no
// longjmp ever crosses a C++ frame of ours.
#include "picture/bitmap_png.h"

#include <QFile>
#include <QSaveFile>

#include <png.h>

#include <bit>
#include <cstring>
#include <vector>

namespace lyrimo {
namespace {

// libpng's B, G, R, A bytes are read back as one 0xAARRGGBB word.
static_assert(std::endian::native == std::endian::little);

// Picture files larger than this are refused before reading.
constexpr qint64 kMaxPngFileBytes = qint64{512} * 1024 * 1024;

class tPngImage {
public:
    tPngImage() {
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
    }
    ~tPngImage() { png_image_free(&image); }
    tPngImage(const tPngImage&) = delete;
    tPngImage& operator=(const tPngImage&) = delete;

    png_image image;
};

// B, G, R, A bytes (a little-endian 0xAARRGGBB) composed over black into 0x00RRGGBB.
uint32_t OverBlack(uint32_t bgra) {
    uint32_t alpha = bgra >> 24;
    if (alpha == 255)
        return bgra & 0xFFFFFF;
    auto scale = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
    return scale((bgra >> 16) & 0xFF) << 16 | scale((bgra >> 8) & 0xFF) << 8 | scale(bgra & 0xFF);
}

} // namespace

QByteArray EncodePng(const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return {};
    const int width = bitmap.Width(), height = bitmap.Height();
    std::vector<png_byte> rgb(static_cast<size_t>(width) * height * 3);
    png_byte* out = rgb.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            tColour colour = bitmap.Pixel(x, y);
            *out++ = colour & 0xFF;
            *out++ = (colour >> 8) & 0xFF;
            *out++ = (colour >> 16) & 0xFF;
        }
    }
    tPngImage png;
    png.image.width = static_cast<png_uint_32>(width);
    png.image.height = static_cast<png_uint_32>(height);
    png.image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png.image, nullptr, &size, 0, rgb.data(), 0, nullptr) || size == 0)
        return {};
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (!png_image_write_to_memory(&png.image, bytes.data(), &size, 0, rgb.data(), 0, nullptr))
        return {};
    bytes.truncate(static_cast<qsizetype>(size));
    return bytes;
}

bool SavePng(const Bitmap& bitmap, const QString& path) {
    QByteArray bytes = EncodePng(bitmap);
    if (bytes.isEmpty())
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool DecodePng(const uint8_t* data, size_t size, Bitmap& target) {
    if (data == nullptr || size == 0)
        return false;
    tPngImage png;
    if (!png_image_begin_read_from_memory(&png.image, data, size))
        return false;
    if (!PictureSizeFitsData(png.image.width, png.image.height, 1, size))
        return false;
    png.image.format = PNG_FORMAT_BGRA;
    Bitmap picture(static_cast<int>(png.image.width), static_cast<int>(png.image.height),
                   tPixelFormat::Bits32);
    if (!png_image_finish_read(&png.image, nullptr, picture.Row(0), picture.Stride(), nullptr))
        return false;
    for (int y = 0; y < picture.Height(); ++y) {
        uint32_t* row = picture.Row32(y);
        for (int x = 0; x < picture.Width(); ++x)
            row[x] = OverBlack(row[x]);
    }
    target = std::move(picture);
    return true;
}

bool LoadPng(const QString& path, Bitmap& target) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPngFileBytes)
        return false;
    QByteArray bytes = file.readAll();
    return DecodePng(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()),
                     target);
}

} // namespace lyrimo
