#include "picture/bmp_ico_reader.h"

#include "picture/bitmap_png.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

namespace lyrimo {
namespace {

// Compression values of a DIB header.
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

// Little-endian reads over a byte range; callers check Has() first.
struct tBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;

    bool Has(uint64_t offset, uint64_t count) const { return offset <= size && count <= size - offset; }
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(data[at] | data[at + 1] << 8); }
    uint32_t U32(size_t at) const {
        return uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 | uint32_t{data[at + 2]} << 16 |
               uint32_t{data[at + 3]} << 24;
    }
    int32_t S32(size_t at) const { return static_cast<int32_t>(U32(at)); }
    tBytes From(size_t offset) const { return {data + offset, size - offset}; }
};

// One colour channel of a bit-field pixel, widened or narrowed to 8 bits.
class tChannel {
public:
    explicit tChannel(uint32_t mask) : mask_(mask) {
        if (mask_ != 0) {
            shift_ = std::countr_zero(mask_);
            bits_ = std::bit_width(mask_ >> shift_);
        }
    }
    uint32_t Extract(uint32_t pixel) const {
        if (mask_ == 0)
            return 0;
        uint32_t value = (pixel & mask_) >> shift_;
        if (bits_ >= 8)
            return value >> (bits_ - 8);
        uint32_t maximum = (1u << bits_) - 1;
        return (value * 255 + maximum / 2) / maximum;
    }
    bool Present() const { return mask_ != 0; }

private:
    uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
};

struct tDibHeader {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kRgb;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha
    uint64_t paletteStart = 0;
    uint64_t paletteCount = 0;
    int paletteEntrySize = 4;
};

bool ReadDibHeader(const tBytes& dib, bool inIcon, tDibHeader& h) {
    if (!dib.Has(0, 4))
        return false;
    h.headerSize = dib.U32(0);
    if (!dib.Has(0, h.headerSize))
        return false;
    uint32_t colorsUsed = 0;
    if (h.headerSize == 12) { // core header: 16-bit sizes, 3-byte palette entries
        h.width = dib.U16(4);
        h.height = dib.U16(6);
        h.bitCount = dib.U16(10);
        h.paletteEntrySize = 3;
    } else if (h.headerSize >= 40) {
        h.width = dib.S32(4);
        h.height = dib.S32(8);
        h.bitCount = dib.U16(14);
        h.compression = dib.U32(16);
        colorsUsed = dib.U32(32);
    } else {
        return false;
    }
    if (inIcon) // the height covers the colour image and the AND mask below it
        h.height /= 2;
    h.topDown = h.height < 0;
    h.height = h.height < 0 ? -h.height : h.height;
    if (!PictureSizeFitsData(h.width, h.height, 1, dib.size))
        return false;

    h.paletteStart = h.headerSize;
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        int maskCount = h.compression == kAlphaBitFields ? 4 : 3;
        uint64_t maskAt = 40;
        if (h.headerSize == 40) // the masks follow the short header
            h.paletteStart += 4 * maskCount;
        else
            maskCount = h.headerSize >= 56 ? 4 : 3;
        if (!dib.Has(maskAt, 4 * maskCount))
            return false;
        for (int i = 0; i < maskCount; ++i)
            h.masks[i] = dib.U32(maskAt + 4 * i);
    } else if (h.bitCount == 16) {
        h.masks = {0x7C00, 0x03E0, 0x001F, 0};
    } else if (h.bitCount == 32) {
        h.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    }

    if (h.bitCount <= 8)
        h.paletteCount = colorsUsed == 0 ? uint64_t{1} << h.bitCount : std::min<uint64_t>(colorsUsed, 256);
    else
        h.paletteCount = std::min<uint64_t>(colorsUsed, 256);

    switch (h.compression) {
    case kRgb:
        return h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 || h.bitCount == 16 ||
               h.bitCount == 24 || h.bitCount == 32;
    case kRle8: return h.bitCount == 8;
    case kRle4: return h.bitCount == 4;
    case kBitFields:
    case kAlphaBitFields: return h.bitCount == 16 || h.bitCount == 32;
    default: return false;
    }
}

// 256 entries of 0x00RRGGBB; entries the file does not hold stay black.
std::vector<uint32_t> ReadPalette(const tBytes& dib, const tDibHeader& h) {
    std::vector<uint32_t> palette(256, 0);
    if (h.bitCount > 8)
        return palette;
    uint64_t count = std::min<uint64_t>(h.paletteCount, uint64_t{1} << h.bitCount);
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t at = h.paletteStart + i * h.paletteEntrySize;
        if (!dib.Has(at, 3))
            break;
        palette[i] = uint32_t{dib.data[at + 2]} << 16 | uint32_t{dib.data[at + 1]} << 8 | dib.data[at];
    }
    return palette;
}

class tPixelWriter {
public:
    tPixelWriter(Bitmap& picture, bool topDown) : picture_(picture), topDown_(topDown) {}
    // The image row that a row of the file (counted from the start of the pixel data) fills.
    uint32_t* FileRow(int64_t fileRow) {
        return picture_.Row32(int(topDown_ ? fileRow : picture_.Height() - 1 - fileRow));
    }

private:
    Bitmap& picture_;
    bool topDown_;
};

int64_t RowStride(const tDibHeader& h) { return (h.width * h.bitCount + 31) / 32 * 4; }
int64_t RowBytes(const tDibHeader& h) { return (h.width * h.bitCount + 7) / 8; }

// The pixel bytes of an uncompressed DIB; the last row may lack its padding.
uint64_t UncompressedSize(const tDibHeader& h) {
    return static_cast<uint64_t>((h.height - 1) * RowStride(h) + RowBytes(h));
}

// Pixels of an uncompressed DIB, whose size the caller has checked. In 32-bit
// images the alpha is kept in the top byte for the caller.
void ReadUncompressed(const tBytes& pixels, const tDibHeader& h, const std::vector<uint32_t>& palette,
                      Bitmap& picture) {
    const int64_t width = h.width, bits = h.bitCount;
    const int64_t stride = RowStride(h), lastRowBytes = RowBytes(h);
    const tChannel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    auto fromMasks = [&](uint32_t value) {
        return alpha.Extract(value) << 24 | red.Extract(value) << 16 | green.Extract(value) << 8 |
               blue.Extract(value);
    };
    tPixelWriter writer(picture, h.topDown);
    for (int64_t fileRow = 0; fileRow < h.height; ++fileRow) {
        const uint8_t* src = pixels.data + fileRow * stride;
        const tBytes row{src, static_cast<size_t>(lastRowBytes)};
        uint32_t* out = writer.FileRow(fileRow);
        for (int64_t x = 0; x < width; ++x) {
            switch (bits) {
            case 1: out[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: out[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]; break;
            case 8: out[x] = palette[src[x]]; break;
            case 16: out[x] = fromMasks(row.U16(size_t(x) * 2)); break;
            case 24:
                out[x] = uint32_t{src[x * 3 + 2]} << 16 | uint32_t{src[x * 3 + 1]} << 8 | src[x * 3];
                break;
            default: out[x] = fromMasks(row.U32(size_t(x) * 4)); break;
            }
        }
    }
}

// RLE8 and RLE4 pixel data. Pixels the runs skip stay black; runs past the right
// edge are clipped. Running out of data before the last row fails.
bool ReadRle(const tBytes& data, const tDibHeader& h, const std::vector<uint32_t>& palette, Bitmap& picture) {
    const bool rle4 = h.compression == kRle4;
    tPixelWriter writer(picture, h.topDown);
    int64_t x = 0, row = 0;
    size_t at = 0;
    auto put = [&](uint32_t index) {
        if (x < h.width && row < h.height)
            writer.FileRow(row)[x] = palette[index];
        ++x;
    };
    while (row < h.height) {
        if (!data.Has(at, 2))
            return false;
        const uint8_t count = data.data[at], value = data.data[at + 1];
        at += 2;
        if (count > 0) { // a run of one index (RLE4: two alternating indexes)
            for (int i = 0; i < count; ++i)
                put(rle4 ? ((i & 1) ? value & 0xF : value >> 4) : value);
        } else if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move right and down
            if (!data.Has(at, 2))
                return false;
            x += data.data[at];
            row += data.data[at + 1];
            at += 2;
        } else { // literal indexes, padded to a 16-bit boundary
            const size_t bytes = rle4 ? (value + 1) / 2 : value;
            if (!data.Has(at, bytes))
                return false;
            for (int i = 0; i < value; ++i) {
                uint8_t byte = data.data[at + (rle4 ? i / 2 : i)];
                put(rle4 ? ((i & 1) ? byte & 0xF : byte >> 4) : byte);
            }
            at += bytes + (bytes & 1);
        }
    }
    return true;
}

// Keeps the alpha in icons that use it (composing over black) and drops it everywhere else.
void ResolveAlpha(Bitmap& picture, bool composeAlpha) {
    bool anyAlpha = false;
    for (int y = 0; y < picture.Height() && composeAlpha && !anyAlpha; ++y) {
        const uint32_t* row = picture.Row32(y);
        anyAlpha = std::any_of(row, row + picture.Width(), [](uint32_t v) { return (v >> 24) != 0; });
    }
    for (int y = 0; y < picture.Height(); ++y) {
        uint32_t* row = picture.Row32(y);
        for (int x = 0; x < picture.Width(); ++x) {
            uint32_t v = row[x], a = v >> 24;
            if (!anyAlpha || a == 255) {
                row[x] = v & 0xFFFFFF;
                continue;
            }
            auto scale = [a](uint32_t channel) { return (channel * a + 127) / 255; };
            row[x] = scale((v >> 16) & 0xFF) << 16 | scale((v >> 8) & 0xFF) << 8 | scale(v & 0xFF);
        }
    }
}

// A DIB: header, optional masks, palette and pixels. pixelOffset is where a BMP's
// file header puts the pixels; without it they follow the palette.
bool ReadDib(const tBytes& dib, std::optional<uint64_t> pixelOffset, bool inIcon, Bitmap& target) {
    tDibHeader header;
    if (!ReadDibHeader(dib, inIcon, header))
        return false;
    uint64_t offset =
        pixelOffset.value_or(header.paletteStart + header.paletteCount * header.paletteEntrySize);
    if (offset > dib.size)
        return false;
    const tBytes pixels = dib.From(offset);
    const bool compressed = header.compression == kRle8 || header.compression == kRle4;
    // Checked before the picture is allocated, so a short file cannot claim a big one.
    if (!compressed && !pixels.Has(0, UncompressedSize(header)))
        return false;
    const std::vector<uint32_t> palette = ReadPalette(dib, header);
    Bitmap picture(int(header.width), int(header.height), tPixelFormat::Bits32);
    if (compressed) {
        if (!ReadRle(pixels, header, palette, picture))
            return false;
    } else {
        ReadUncompressed(pixels, header, palette, picture);
    }
    ResolveAlpha(picture, inIcon && header.bitCount == 32);
    target = std::move(picture);
    return true;
}

bool IsPng(const tBytes& bytes) {
    static constexpr uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return bytes.Has(0, 8) && std::memcmp(bytes.data, signature, 8) == 0;
}

struct tIconEntry {
    int64_t area = 0;
    int bitCount = 0;
    uint32_t size = 0;
    uint32_t offset = 0;
};

} // namespace

bool ReadBmp(const uint8_t* data, size_t size, Bitmap& target) {
    const tBytes file{data, size};
    if (data == nullptr || !file.Has(0, 14) || data[0] != 'B' || data[1] != 'M')
        return false;
    const uint32_t pixelStart = file.U32(10);
    std::optional<uint64_t> pixelOffset;
    if (pixelStart != 0) { // some writers leave it 0; the pixels then follow the palette
        if (pixelStart < 14 || pixelStart > size)
            return false;
        pixelOffset = pixelStart - 14;
    }
    return ReadDib(file.From(14), pixelOffset, false, target);
}

bool ReadIco(const uint8_t* data, size_t size, Bitmap& target) {
    const tBytes file{data, size};
    if (data == nullptr || !file.Has(0, 6) || file.U16(0) != 0 || (file.U16(2) != 1 && file.U16(2) != 2))
        return false;
    const int count = file.U16(4);
    if (count == 0 || !file.Has(6, uint64_t{16} * count))
        return false;
    std::vector<tIconEntry> entries;
    for (int i = 0; i < count; ++i) {
        const size_t at = 6 + 16 * size_t(i);
        int width = data[at] == 0 ? 256 : data[at];
        int height = data[at + 1] == 0 ? 256 : data[at + 1];
        entries.push_back({int64_t{width} * height, file.U16(at + 6), file.U32(at + 8), file.U32(at + 12)});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const tIconEntry& a, const tIconEntry& b) {
        return a.area != b.area ? a.area > b.area : a.bitCount > b.bitCount;
    });
    for (const tIconEntry& entry : entries) {
        if (!file.Has(entry.offset, entry.size))
            continue;
        const tBytes image{data + entry.offset, entry.size};
        bool decoded = IsPng(image) ? DecodePng(image.data, image.size, target)
                                    : ReadDib(image, std::nullopt, true, target);
        if (decoded)
            return true;
    }
    return false;
}

} // namespace lyrimo
