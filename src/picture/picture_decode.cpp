#include "picture/picture_decode.h"

#include "picture/animated_gif.h"
#include "picture/bitmap_png.h"
#include "picture/bmp_ico_reader.h"

#include <QFile>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <exception>

#include <jerror.h>
#include <jpeglib.h>

namespace lyrimo {
namespace {

// libjpeg writes B, G, R, X bytes that are read back as one 0xXXRRGGBB word.
static_assert(std::endian::native == std::endian::little);

constexpr qint64 kMaxPictureFileBytes = qint64{512} * 1024 * 1024;
// Real progressive files have a dozen scans; hostile ones can have thousands, each a full pass.
constexpr int kMaxJpegScans = 256;
constexpr long kMaxJpegWorkingMemory = 1L << 30;

enum class tPictureType { Unknown, Jpeg, Bmp, Png, Ico, Gif };

tPictureType TypeOfName(const QString& fileName) {
    const QString extension = PictureExtension(fileName).toUpper();
    if (extension == ".JPG" || extension == ".JPEG")
        return tPictureType::Jpeg;
    if (extension == ".BMP")
        return tPictureType::Bmp;
    if (extension == ".PNG")
        return tPictureType::Png;
    if (extension == ".ICO")
        return tPictureType::Ico;
    if (extension == ".GIF")
        return tPictureType::Gif;
    return tPictureType::Unknown;
}

// ---- JPEG ----
//
// libjpeg reports a fatal error by calling error_exit, which must not return. Ours
// longjmps back to the setjmp in DecodeJpegGuarded. That function and every frame a
// jump can cross (libjpeg's own C code and the callbacks below) hold no object with
// a destructor, so the jump skips no clean-up; whatever owns memory (the decompressor
// and the picture) belongs to DecodeJpeg, the caller, which is not jumped over and
// cleans up on either outcome. Throwing a C++ exception from error_exit instead would
// have to unwind through libjpeg's C frames, which are not built for it.

struct tJpegErrorManager {
    jpeg_error_mgr base; // first, so that cinfo->err also points at the whole record
    std::jmp_buf jumpBack;
};

extern "C" {

static void JpegFail(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<tJpegErrorManager*>(cinfo->err)->jumpBack, 1);
}

// Warnings about slightly damaged data are tolerated, as every viewer does; data that ends early is not.
static void JpegMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        JpegFail(cinfo);
}

static void JpegSilence(j_common_ptr) {}

static void JpegProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
        JpegFail(cinfo);
}

} // extern "C"

struct tJpegJob {
    jpeg_decompress_struct cinfo;
    tJpegErrorManager errors;
    jpeg_progress_mgr progress;
    const uint8_t* data;
    size_t size;
    Bitmap* picture;
};

// Adobe writes CMYK inverted (0 = full ink); others write it plain.
void CmykRowToRgb(const JSAMPLE* cmyk, uint32_t* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        uint32_t c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted)
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[x] = (c * k + 127) / 255 << 16 | (m * k + 127) / 255 << 8 | (y * k + 127) / 255;
    }
}

bool DecodeJpegGuarded(tJpegJob& job) {
    jpeg_decompress_struct& c = job.cinfo;
    if (setjmp(job.errors.jumpBack))
        return false;
    jpeg_create_decompress(&c);
    c.mem->max_memory_to_use = kMaxJpegWorkingMemory;
    job.progress.progress_monitor = JpegProgress;
    c.progress = &job.progress;
    jpeg_mem_src(&c, job.data, static_cast<unsigned long>(job.size));
    if (jpeg_read_header(&c, TRUE) != JPEG_HEADER_OK ||
        !PictureSizeFitsData(c.image_width, c.image_height, 1, job.size))
        return false;
    const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    c.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&c);
    const int width = static_cast<int>(c.output_width);
    *job.picture = Bitmap(width, static_cast<int>(c.output_height), tPixelFormat::Bits32);
    JSAMPARRAY cmykRow =
        cmyk ? (*c.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&c), JPOOL_IMAGE, c.output_width * 4, 1)
             : nullptr;
    while (c.output_scanline < c.output_height) {
        const int y = static_cast<int>(c.output_scanline);
        JSAMPROW row = cmyk ? cmykRow[0] : job.picture->Row(y);
        if (jpeg_read_scanlines(&c, &row, 1) != 1)
            return false;
        uint32_t* out = job.picture->Row32(y);
        if (cmyk) {
            CmykRowToRgb(row, out, width, c.saw_Adobe_marker);
        } else {
            for (int x = 0; x < width; ++x)
                out[x] &= 0xFFFFFF;
        }
    }
    // Every row has arrived; the end marker is not waited for (the caller's
    // jpeg_destroy_decompress releases everything), so a file cut just before it still shows.
    return true;
}

// ---- dispatch ----

bool DecodeGifFirstFrame(const uint8_t* data, size_t size, Bitmap& target) {
    tEasyAnimatedGif gif;
    if (!gif.LoadFromMemory(data, size))
        return false;
    Bitmap first(gif.FrameWidth(), gif.Height(), tPixelFormat::Bits32);
    first.CopyRect(gif.Strip, 0, 0, first.Width(), first.Height(), 0, 0);
    target = std::move(first);
    return true;
}

bool DecodeByType(tPictureType type, const QByteArray& bytes, Bitmap& picture) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const auto size = static_cast<size_t>(bytes.size());
    switch (type) {
    case tPictureType::Jpeg: return DecodeJpeg(data, size, picture);
    case tPictureType::Bmp: return ReadBmp(data, size, picture);
    case tPictureType::Png: return DecodePng(data, size, picture);
    case tPictureType::Ico: return ReadIco(data, size, picture);
    case tPictureType::Gif: return DecodeGifFirstFrame(data, size, picture);
    case tPictureType::Unknown: break;
    }
    return false;
}

} // namespace

QString PictureExtension(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf('.');
    const qsizetype separator =
        std::max({fileName.lastIndexOf('/'), fileName.lastIndexOf('\\'), fileName.lastIndexOf(':')});
    return dot < 0 || dot < separator ? QString() : fileName.mid(dot);
}

bool DecodeJpeg(const uint8_t* data, size_t size, Bitmap& target) {
    if (data == nullptr || size == 0)
        return false;
    Bitmap picture;
    tJpegJob job{};
    job.cinfo.err = jpeg_std_error(&job.errors.base);
    job.errors.base.error_exit = JpegFail;
    job.errors.base.emit_message = JpegMessage;
    job.errors.base.output_message = JpegSilence;
    job.data = data;
    job.size = size;
    job.picture = &picture;
    bool decoded = false;
    try {
        decoded = DecodeJpegGuarded(job);
    } catch (const std::exception&) { // the picture could not be allocated
        decoded = false;
    }
    jpeg_destroy_decompress(&job.cinfo); // safe on a decompressor never created: it is zeroed
    if (decoded)
        target = std::move(picture);
    return decoded;
}

bool DecodePicture(const QByteArray& bytes, const QString& sourceFileName, Bitmap& target,
                   tPixelFormat format) {
    if (bytes.isEmpty())
        return false;
    try {
        Bitmap picture;
        if (!DecodeByType(TypeOfName(sourceFileName), bytes, picture))
            return false;
        picture.SetFormat(format);
        target = std::move(picture);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool DecodeAnimation(const QByteArray& bytes, const QString& sourceFileName, Bitmap& strip,
                     std::vector<int32_t>& frameEnds, int& frameCount, tColour& transparentColour,
                     tPixelFormat format) {
    frameEnds.clear();
    if (bytes.isEmpty() || TypeOfName(sourceFileName) != tPictureType::Gif)
        return false;
    try {
        tEasyAnimatedGif gif;
        if (!gif.LoadFromMemory(bytes))
            return false;
        gif.Strip.SetFormat(format);
        strip = std::move(gif.Strip);
        frameEnds = std::move(gif.FrameEnds);
        frameCount = gif.FrameCount;
        transparentColour = gif.KeyColour;
        return true;
    } catch (const std::exception&) {
        frameEnds.clear();
        return false;
    }
}

bool LoadPictureFile(const QString& path, Bitmap& target, tPixelFormat format) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPictureFileBytes)
        return false;
    return DecodePicture(file.readAll(), path, target, format);
}

} // namespace lyrimo
