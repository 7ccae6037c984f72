// Picture files written by the tests themselves: GIFs through giflib, PNGs through libpng,
// JPEGs through libjpeg, BMPs and icons byte by byte.
#pragma once

#include "picture/bitmap.h"

#include <QByteArray>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

namespace lyrimo::test {

struct GifFrameDesc {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indexes;  // width × height, row by row
    std::vector<tColour> localMap; // none when empty
    bool control = true;           // write a graphic control extension
    int disposal = 1;
    int delay = 10; // hundredths of a second
    int transparent = NO_TRANSPARENT_COLOR;
    bool interlace = false;
};

inline int AppendGifBytes(GifFileType* gif, const GifByteType* bytes, int count) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), count);
    return count;
}

// giflib wants power-of-two maps; the padding repeats the first colour so that it adds no new colour.
inline ColorMapObject* MakeGifMap(const std::vector<tColour>& colours) {
    if (colours.empty())
        return nullptr;
    int count = 2;
    while (count < static_cast<int>(colours.size()))
        count *= 2;
    std::vector<GifColorType> entries(static_cast<size_t>(count));
    for (size_t i = 0; i < entries.size(); ++i) {
        tColour c = colours[i < colours.size() ? i : 0];
        entries[i] = {GifByteType(c & 0xFF), GifByteType(c >> 8 & 0xFF), GifByteType(c >> 16 & 0xFF)};
    }
    return GifMakeMapObject(count, entries.data());
}

inline QByteArray WriteGif(int width, int height, const std::vector<tColour>& globalMap,
                           const std::vector<GifFrameDesc>& frames) {
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = MakeGifMap(globalMap);
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, global) == GIF_OK;
    for (const GifFrameDesc& f : frames) {
        if (f.control) {
            GraphicsControlBlock gcb{f.disposal, false, f.delay, f.transparent};
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
        }
        ColorMapObject* local = MakeGifMap(f.localMap);
        if (local == nullptr && gif->Image.ColorMap != nullptr) {
            // giflib forgets (and leaks) the previous image's local map instead of freeing it.
            GifFreeMapObject(gif->Image.ColorMap);
            gif->Image.ColorMap = nullptr;
        }
        ok = ok && EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local) == GIF_OK;
        GifFreeMapObject(local);
        std::vector<int> rows;
        for (int pass = 0; pass < (f.interlace ? 4 : 1); ++pass) {
            static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int y = f.interlace ? start[pass] : 0; y < f.height; y += f.interlace ? step[pass] : 1)
                rows.push_back(y);
        }
        std::vector<uint8_t> indexes = f.indexes;
        for (int y : rows)
            ok = ok && EGifPutLine(gif, indexes.data() + size_t(y) * f.width, f.width) == GIF_OK;
    }
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(global);
    if (!ok)
        throw std::runtime_error("test GIF could not be written");
    return out;
}

// A frame filling width × height with one index.
inline GifFrameDesc SolidGifFrame(int width, int height, uint8_t index) {
    GifFrameDesc f;
    f.width = width;
    f.height = height;
    f.indexes.assign(size_t(width) * height, index);
    return f;
}

// pixels: 1 (grey), 3 (RGB) or 4 (RGBA) bytes per pixel, rows top-down.
inline QByteArray WritePng(int width, int height, int channels, const std::vector<uint8_t>& pixels) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = channels == 1 ? PNG_FORMAT_GRAY : channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    QByteArray out(qsizetype(size), '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr))
        throw std::runtime_error("test PNG could not be written");
    out.truncate(qsizetype(size));
    return out;
}

// The compression its writer declares in the zlib header of a PNG's first IDAT chunk: 0 the
// fastest, 1 fast, 2 zlib's default, 3 the smallest; -1 without pixel data.
inline int PngDeflateLevel(const QByteArray& png) {
    qsizetype at = 8;
    while (at + 10 <= png.size()) {
        uint32_t length = 0;
        for (int i = 0; i < 4; ++i)
            length = length << 8 | static_cast<uint8_t>(png[at + i]);
        if (png.mid(at + 4, 4) == "IDAT")
            return static_cast<uint8_t>(png[at + 9]) >> 6;
        at += 12 + static_cast<qsizetype>(length);
    }
    return -1;
}

inline void Put(QByteArray& b, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.append(char(i < 4 ? value >> (8 * i) & 0xFF : 0));
}

// A device-independent bitmap: header (12 bytes when core, else 40), masks, palette, pixels.
inline QByteArray Dib(int width, int height, int bits, uint32_t compression,
                      const std::vector<tColour>& palette, const QByteArray& pixels,
                      const std::vector<uint32_t>& masks = {}, bool core = false) {
    QByteArray b;
    const int field = core ? 2 : 4, entry = core ? 3 : 4;
    Put(b, core ? 12 : 40, 4), Put(b, width, field), Put(b, height, field), Put(b, 1, 2), Put(b, bits, 2);
    if (!core)
        Put(b, compression, 4), Put(b, 0, 12), Put(b, palette.size(), 4), Put(b, 0, 4);
    for (uint32_t m : masks)
        Put(b, m, 4);
    for (tColour c : palette)
        Put(b, Bitmap::PixelValue(c, tPixelFormat::Bits32), entry);
    return b + pixels;
}

inline QByteArray BmpFile(int width, int height, int bits, uint32_t compression,
                          const std::vector<tColour>& palette, const QByteArray& pixels,
                          const std::vector<uint32_t>& masks = {}, bool core = false) {
    QByteArray dib = Dib(width, height, bits, compression, palette, pixels, masks, core), b("BM");
    Put(b, 14 + dib.size(), 4), Put(b, 0, 4), Put(b, 14 + dib.size() - pixels.size(), 4);
    return b + dib;
}

inline QByteArray WriteJpeg(int width, int height, int components, J_COLOR_SPACE space,
                            const std::vector<uint8_t>& pixels, bool progressive = false,
                            const std::vector<jpeg_scan_info>& scans = {}) {
    jpeg_compress_struct c;
    jpeg_error_mgr errors;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width), c.image_height = JDIMENSION(height);
    c.input_components = components, c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    if (!scans.empty())
        c.scan_info = scans.data(), c.num_scans = int(scans.size());
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(pixels.data()) + size_t(c.next_scanline) * width * components;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

// A square 32-bit icon image of one colour and alpha: colours, then an empty AND mask.
inline QByteArray IconDib(int size, tColour colour, uint8_t alpha) {
    QByteArray pixels;
    for (int i = 0; i < size * size; ++i)
        Put(pixels, uint32_t(alpha) << 24 | Bitmap::PixelValue(colour, tPixelFormat::Bits32), 4);
    return Dib(size, size * 2, 32, 0, {}, pixels + QByteArray(size * 4, '\0'));
}

inline QByteArray IcoFile(const std::vector<std::pair<int, QByteArray>>& images) {
    QByteArray b, data;
    Put(b, 0, 2), Put(b, 1, 2), Put(b, images.size(), 2);
    for (const auto& [size, bytes] : images) {
        Put(b, size & 0xFF, 1), Put(b, size & 0xFF, 1), Put(b, 0, 2), Put(b, 1, 2), Put(b, 32, 2);
        Put(b, bytes.size(), 4), Put(b, 6 + 16 * images.size() + data.size(), 4);
        data += bytes;
    }
    return b + data;
}

} // namespace lyrimo::test
