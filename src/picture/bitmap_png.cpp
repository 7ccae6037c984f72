// libpng reports errors by longjmp. Reading and the small kind of writing use its
// simplified API, which sets its own jump point inside libpng's C code and returns a
// failure flag. Fast writing needs the full API to choose the compression; its jump
// point is in WriteFastPng, and the frames a jump leaves hold no object with a destructor.
#include "picture/bitmap_png.h"

#include "app/atomic_file.h"

#include <QFile>

#include <png.h>

#include <bit>
#include <csetjmp>
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

// The bitmap's pixels as R, G, B bytes, rows one after another.
std::vector<png_byte> RgbBytes(const Bitmap& bitmap) {
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
    return rgb;
}

QByteArray EncodeSmallPng(const std::vector<png_byte>& rgb, int width, int height) {
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

void AppendToBytes(png_structp png, png_bytep data, size_t length) {
    auto* bytes = static_cast<QByteArray*>(png_get_io_ptr(png));
    bool appended = true;
    try {
        bytes->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
    } catch (...) {
        appended = false;
    }
    if (!appended)
        png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}
void IgnoreWarning(png_structp, png_const_charp) {}

// Level 1 and no row filters, as libpng's own emphasis on speed does: for frame sequences,
// which are written by the thousand and read once.
bool WriteFastPng(png_structp png, png_infop info, const png_byte* rgb, int width, int height,
                  QByteArray* bytes) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, bytes, AppendToBytes, FlushNothing);
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL); // as the small kind is tagged
    png_write_info(png, info);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        png_write_row(png, rgb + rowBytes * static_cast<size_t>(y));
    png_write_end(png, info);
    return true;
}

class tPngWriter {
public:
    tPngWriter() : png(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnoreWarning)) {
        if (png)
            info = png_create_info_struct(png);
    }
    ~tPngWriter() { png_destroy_write_struct(&png, &info); }
    tPngWriter(const tPngWriter&) = delete;
    tPngWriter& operator=(const tPngWriter&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

QByteArray EncodeFastPng(const std::vector<png_byte>& rgb, int width, int height) {
    tPngWriter writer;
    if (!writer.png || !writer.info)
        return {};
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(rgb.size() / 8 + 1024));
    if (!WriteFastPng(writer.png, writer.info, rgb.data(), width, height, &bytes))
        return {};
    return bytes;
}

} // namespace

QByteArray EncodePng(const Bitmap& bitmap, tPngCompression compression) {
    if (bitmap.IsEmpty())
        return {};
    const std::vector<png_byte> rgb = RgbBytes(bitmap);
    if (compression == tPngCompression::Fast)
        return EncodeFastPng(rgb, bitmap.Width(), bitmap.Height());
    return EncodeSmallPng(rgb, bitmap.Width(), bitmap.Height());
}

bool SavePng(const Bitmap& bitmap, const QString& path, tPngCompression compression) {
    QByteArray bytes = EncodePng(bitmap, compression);
    if (bytes.isEmpty())
        return false;
    return WriteFileAtomically(path, bytes);
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
