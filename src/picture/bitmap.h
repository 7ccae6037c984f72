// Off-screen bitmaps with direct pixel access, the surface every renderer draws on.
//
// Colours at the interface are tColour values 0x00BBGGRR (red in the low byte).
// In memory, 24-bit and 32-bit bitmaps both hold one uint32_t per pixel laid out
// 0x00RRGGBB, the layout of QImage::Format_RGB32 and pixman's x8r8g8b8, so rows can
// be handed to either unchanged; the two formats differ only in their tag. 16-bit
// bitmaps hold uint16_t 5-6-5 pixels (red in bits 11-15, green 5-10, blue 0-4), the
// layout of QImage::Format_RGB16. Rows are contiguous and each starts on a 4-byte
// boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lyrimo {

using tColour = uint32_t;

// The most pixels any decoded picture (or animation strip) may hold: pictures come
// from strangers' song files, and a tiny file must not claim gigabytes.
constexpr int64_t kMaxPicturePixels = int64_t{64} * 1024 * 1024;

// True when width × height × count is positive and within kMaxPicturePixels.
bool PictureSizeAllowed(int64_t width, int64_t height, int64_t count = 1);

// A picture file of any size may hold this many pixels; a larger one needs data to match.
constexpr int64_t kPixelsAnyPictureMayHold = int64_t{4} * 1024 * 1024;
// More pixels per byte of data than real pictures reach even when flat: a file claiming
// more is a decompression bomb, which would cost memory and time for nothing.
constexpr int64_t kMostPixelsPerDataByte = 1024;

// PictureSizeAllowed, and no more pixels than a file of dataBytes can describe.
bool PictureSizeFitsData(int64_t width, int64_t height, int64_t count, size_t dataBytes);

enum class tPixelFormat { Bits16, Bits24, Bits32 };

// The pixel format of the renderer's off-screen bitmaps; Bits24 unless set.
tPixelFormat WorkingPixelFormat();
void SetWorkingPixelFormat(tPixelFormat format);

class Bitmap {
public:
    // An empty 0 × 0 bitmap.
    Bitmap() = default;
    // All pixels black. A size that is not positive or lies beyond kMaxPicturePixels gives
    // an empty bitmap.
    Bitmap(int width, int height, tPixelFormat format);

    int Width() const { return width_; }
    int Height() const { return height_; }
    tPixelFormat Format() const { return format_; }
    bool IsEmpty() const { return width_ <= 0 || height_ <= 0; }

    // Keeps the pixels the old and new sizes share at the top left; new pixels are black.
    void SetSize(int width, int height);
    // Converts every pixel to the new format.
    void SetFormat(tPixelFormat format);

    // Bytes from one row to the next.
    int Stride() const { return Is16() ? rowWords16_ * 2 : width_ * 4; }
    uint8_t* Row(int y);
    const uint8_t* Row(int y) const;
    // Rows of 24-bit and 32-bit bitmaps.
    uint32_t* Row32(int y) { return pixels32_.data() + static_cast<size_t>(y) * width_; }
    const uint32_t* Row32(int y) const { return pixels32_.data() + static_cast<size_t>(y) * width_; }
    // Rows of 16-bit bitmaps.
    uint16_t* Row16(int y) { return pixels16_.data() + static_cast<size_t>(y) * rowWords16_; }
    const uint16_t* Row16(int y) const { return pixels16_.data() + static_cast<size_t>(y) * rowWords16_; }

    // The stored value of a colour in a format, and back. 5-6-5 values widen by
    // repeating their top bits, so black and white survive a round trip exactly.
    static uint32_t PixelValue(tColour colour, tPixelFormat format);
    static tColour ColourOf(uint32_t value, tPixelFormat format);
    uint32_t PixelValue(tColour colour) const { return PixelValue(colour, format_); }
    tColour ColourOf(uint32_t value) const { return ColourOf(value, format_); }

    // Pixels outside the bitmap read as black and are not written.
    tColour Pixel(int x, int y) const;
    void SetPixel(int x, int y, tColour colour);

    void Fill(tColour colour);
    // Clipped to the bitmap.
    void FillRect(int x, int y, int width, int height, tColour colour);
    // Copies the w × h rectangle at (sx, sy) of source to (dx, dy), clipped to both
    // bitmaps and converted to this bitmap's format. The source may be this bitmap.
    void CopyRect(const Bitmap& source, int sx, int sy, int w, int h, int dx, int dy);

    // Same size, format and pixels.
    bool operator==(const Bitmap& other) const;

private:
    bool Is16() const { return format_ == tPixelFormat::Bits16; }
    void Allocate(int width, int height, tPixelFormat format);

    int width_ = 0;
    int height_ = 0;
    tPixelFormat format_ = tPixelFormat::Bits24;
    int rowWords16_ = 0;             // uint16_t per row of a 16-bit bitmap (even, for 4-byte rows)
    std::vector<uint32_t> pixels32_; // 24-bit and 32-bit pixels
    std::vector<uint16_t> pixels16_; // 16-bit pixels
};

} // namespace lyrimo
