#include "picture/bitmap_bmp.h"

#include "app/atomic_file.h"

#include <cstdint>

namespace lyrimo {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;

void PutU16(QByteArray& out, int offset, uint16_t value) {
    out[offset] = char(value & 0xFF);
    out[offset + 1] = char(value >> 8);
}

void PutU32(QByteArray& out, int offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[offset + i] = char((value >> (8 * i)) & 0xFF);
}

} // namespace

QByteArray EncodeBmp(const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return {};
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const int rowBytes = (width * 3 + 3) & ~3;
    const int64_t pixelBytes = int64_t{rowBytes} * height;
    const int64_t total = kFileHeaderBytes + kInfoHeaderBytes + pixelBytes;
    if (total > INT32_MAX)
        return {};
    QByteArray out(int(total), '\0');
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out, 2, uint32_t(total));
    PutU32(out, 10, kFileHeaderBytes + kInfoHeaderBytes);
    PutU32(out, 14, kInfoHeaderBytes);
    PutU32(out, 18, uint32_t(width));
    PutU32(out, 22, uint32_t(height)); // positive: rows run bottom-up
    PutU16(out, 26, 1);
    PutU16(out, 28, 24);
    PutU32(out, 34, uint32_t(pixelBytes));
    PutU32(out, 38, 2835); // 72 dpi
    PutU32(out, 42, 2835);
    char* pixels = out.data() + kFileHeaderBytes + kInfoHeaderBytes;
    for (int y = 0; y < height; ++y) {
        char* row = pixels + int64_t{height - 1 - y} * rowBytes;
        for (int x = 0; x < width; ++x) {
            const tColour c = bitmap.Pixel(x, y); // 0x00BBGGRR
            row[3 * x] = char((c >> 16) & 0xFF);
            row[3 * x + 1] = char((c >> 8) & 0xFF);
            row[3 * x + 2] = char(c & 0xFF);
        }
    }
    return out;
}

bool SaveBmp(const Bitmap& bitmap, const QString& path) {
    const QByteArray bytes = EncodeBmp(bitmap);
    if (bytes.isEmpty())
        return false;
    return WriteFileAtomically(path, bytes);
}

} // namespace lyrimo
