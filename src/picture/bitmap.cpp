#include "picture/bitmap.h"

#include <algorithm>
#include <cstring>

namespace lyrimo {
namespace {

tPixelFormat g_workingPixelFormat = tPixelFormat::Bits24;

// 0x00RRGGBB (24/32-bit memory layout) to and from 5-6-5.
uint16_t PackRgb565(uint32_t rgb) {
    uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

uint32_t UnpackRgb565(uint16_t value) {
    uint32_t r5 = (value >> 11) & 0x1F, g6 = (value >> 5) & 0x3F, b5 = value & 0x1F;
    uint32_t r = r5 << 3 | r5 >> 2, g = g6 << 2 | g6 >> 4, b = b5 << 3 | b5 >> 2;
    return r << 16 | g << 8 | b;
}

// tColour 0x00BBGGRR and the 0x00RRGGBB memory layout are each other's byte swap.
uint32_t SwapRedBlue(uint32_t value) {
    return (value & 0xFF) << 16 | (value & 0xFF00) | ((value >> 16) & 0xFF);
}

} // namespace

bool PictureSizeAllowed(int64_t width, int64_t height, int64_t count) {
    if (width <= 0 || height <= 0 || count <= 0)
        return false;
    // Each factor is checked before multiplying, so the products cannot overflow.
    if (width > kMaxPicturePixels || height > kMaxPicturePixels || count > kMaxPicturePixels)
        return false;
    int64_t area = width * height;
    return area <= kMaxPicturePixels && area * count <= kMaxPicturePixels;
}

bool PictureSizeFitsData(int64_t width, int64_t height, int64_t count, size_t dataBytes) {
    if (!PictureSizeAllowed(width, height, count))
        return false;
    const int64_t describable =
        int64_t(std::min<size_t>(dataBytes, size_t(kMaxPicturePixels))) * kMostPixelsPerDataByte;
    return width * height * count <= std::max(kPixelsAnyPictureMayHold, describable);
}

tPixelFormat WorkingPixelFormat() { return g_workingPixelFormat; }
void SetWorkingPixelFormat(tPixelFormat format) { g_workingPixelFormat = format; }

Bitmap::Bitmap(int width, int height, tPixelFormat format) { Allocate(width, height, format); }

void Bitmap::Allocate(int width, int height, tPixelFormat format) {
    // Sizes come from strangers' files in the end; beyond the picture cap nothing is kept.
    const bool allowed = PictureSizeAllowed(width, height);
    width_ = allowed ? width : 0;
    height_ = allowed ? height : 0;
    format_ = format;
    pixels32_.clear();
    pixels16_.clear();
    rowWords16_ = 0;
    size_t rows = static_cast<size_t>(height_);
    if (Is16()) {
        rowWords16_ = (width_ + 1) & ~1;
        pixels16_.assign(rows * static_cast<size_t>(rowWords16_), 0);
    } else {
        pixels32_.assign(rows * static_cast<size_t>(width_), 0);
    }
}

void Bitmap::SetSize(int width, int height) {
    if (std::max(width, 0) == width_ && std::max(height, 0) == height_)
        return;
    Bitmap resized(width, height, format_);
    resized.CopyRect(*this, 0, 0, width_, height_, 0, 0);
    *this = std::move(resized);
}

void Bitmap::SetFormat(tPixelFormat format) {
    if (format == format_)
        return;
    if (!Is16() && format != tPixelFormat::Bits16) { // 24 and 32 share one layout
        format_ = format;
        return;
    }
    Bitmap converted(width_, height_, format);
    converted.CopyRect(*this, 0, 0, width_, height_, 0, 0);
    *this = std::move(converted);
}

uint8_t* Bitmap::Row(int y) {
    return Is16() ? reinterpret_cast<uint8_t*>(Row16(y)) : reinterpret_cast<uint8_t*>(Row32(y));
}

const uint8_t* Bitmap::Row(int y) const {
    return Is16() ? reinterpret_cast<const uint8_t*>(Row16(y)) : reinterpret_cast<const uint8_t*>(Row32(y));
}

uint32_t Bitmap::PixelValue(tColour colour, tPixelFormat format) {
    uint32_t rgb = SwapRedBlue(colour & 0xFFFFFF);
    return format == tPixelFormat::Bits16 ? PackRgb565(rgb) : rgb;
}

tColour Bitmap::ColourOf(uint32_t value, tPixelFormat format) {
    uint32_t rgb = format == tPixelFormat::Bits16 ? UnpackRgb565(static_cast<uint16_t>(value)) : value;
    return SwapRedBlue(rgb & 0xFFFFFF);
}

tColour Bitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return ColourOf(Is16() ? Row16(y)[x] : Row32(y)[x]);
}

void Bitmap::SetPixel(int x, int y, tColour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    if (Is16())
        Row16(y)[x] = static_cast<uint16_t>(PixelValue(colour));
    else
        Row32(y)[x] = PixelValue(colour);
}

void Bitmap::Fill(tColour colour) { FillRect(0, 0, width_, height_, colour); }

void Bitmap::FillRect(int x, int y, int width, int height, tColour colour) {
    int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    int64_t right = std::min<int64_t>(int64_t{x} + width, width_);
    int64_t bottom = std::min<int64_t>(int64_t{y} + height, height_);
    if (left >= right || top >= bottom)
        return;
    uint32_t value = PixelValue(colour);
    for (int64_t row = top; row < bottom; ++row) {
        if (Is16())
            std::fill(Row16(int(row)) + left, Row16(int(row)) + right, static_cast<uint16_t>(value));
        else
            std::fill(Row32(int(row)) + left, Row32(int(row)) + right, value);
    }
}

void Bitmap::CopyRect(const Bitmap& source, int sx, int sy, int w, int h, int dx, int dy) {
    // 64-bit arithmetic so that extreme coordinates cannot overflow while clipping.
    int64_t srcX = sx, srcY = sy, dstX = dx, dstY = dy, cw = w, ch = h;
    if (srcX < 0) {
        cw += srcX, dstX -= srcX, srcX = 0;
    }
    if (srcY < 0) {
        ch += srcY, dstY -= srcY, srcY = 0;
    }
    if (dstX < 0) {
        cw += dstX, srcX -= dstX, dstX = 0;
    }
    if (dstY < 0) {
        ch += dstY, srcY -= dstY, dstY = 0;
    }
    cw = std::min({cw, source.width_ - srcX, width_ - dstX});
    ch = std::min({ch, source.height_ - srcY, height_ - dstY});
    if (cw <= 0 || ch <= 0)
        return;

    bool sameLayout = source.Is16() == Is16();
    // Walk bottom-up when copying downward within one bitmap, so no source row is overwritten before use.
    bool upward = &source == this && dstY > srcY;
    for (int64_t i = 0; i < ch; ++i) {
        int64_t step = upward ? ch - 1 - i : i;
        int fromRow = int(srcY + step), toRow = int(dstY + step);
        if (sameLayout) {
            size_t bytesPerPixel = Is16() ? 2 : 4;
            std::memmove(Row(toRow) + dstX * bytesPerPixel, source.Row(fromRow) + srcX * bytesPerPixel,
                         static_cast<size_t>(cw) * bytesPerPixel);
        } else if (Is16()) {
            const uint32_t* from = source.Row32(fromRow) + srcX;
            uint16_t* to = Row16(toRow) + dstX;
            for (int64_t x = 0; x < cw; ++x)
                to[x] = PackRgb565(from[x]);
        } else {
            const uint16_t* from = source.Row16(fromRow) + srcX;
            uint32_t* to = Row32(toRow) + dstX;
            for (int64_t x = 0; x < cw; ++x)
                to[x] = UnpackRgb565(from[x]);
        }
    }
}

bool Bitmap::operator==(const Bitmap& other) const {
    if (width_ != other.width_ || height_ != other.height_ || format_ != other.format_)
        return false;
    size_t rowBytes = static_cast<size_t>(width_) * (Is16() ? 2 : 4);
    for (int y = 0; y < height_; ++y) {
        if (std::memcmp(Row(y), other.Row(y), rowBytes) != 0)
            return false;
    }
    return true;
}

} // namespace lyrimo
