#include "render/drawing_utils.h"

#include "app/app_services.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace lyrimo {
namespace {

constexpr uint32_t kRgbMask = 0xFFFFFF;

// The stored value a key colour has in a format; one no pixel has for kNoKeyColour.
uint32_t KeyValue(tColour key, tPixelFormat format) {
    if (key > kRgbMask)
        return format == tPixelFormat::Bits16 ? 0x10000u : 0xFFFFFFFFu;
    return Bitmap::PixelValue(key, format);
}

// The clipped copy: source rectangle and destination position, both inside their bitmaps.
struct tCopyArea {
    int sx, sy, dx, dy, width, height;
};

bool ClipCopy(const Bitmap& source, const Bitmap& destination, const tMyRect& rect, int y, int x,
              tCopyArea& area) {
    int64_t left = rect.Left, top = rect.Top, right = rect.Right, bottom = rect.Bottom, dx = x, dy = y;
    if (left < 0)
        dx -= left, left = 0;
    if (top < 0)
        dy -= top, top = 0;
    right = std::min<int64_t>(right, source.Width());
    bottom = std::min<int64_t>(bottom, source.Height());
    if (dx < 0)
        left -= dx, dx = 0;
    if (dy < 0)
        top -= dy, dy = 0;
    int64_t width = std::min(right - left, destination.Width() - dx);
    int64_t height = std::min(bottom - top, destination.Height() - dy);
    if (width < 1 || height < 1)
        return false;
    area = {int(left), int(top), int(dx), int(dy), int(width), int(height)};
    return true;
}

// Pixels not of the key replace the destination's. Written as a select rather than a
// branch so that the compiler copies several pixels at a time; built for AVX2 as well,
// chosen when the processor has it, since this copy runs for every frame.
template <typename Pixel>
inline void CopyKeyedRow(const Pixel* from, Pixel* to, int width, uint32_t key, uint32_t mask) {
    for (int i = 0; i < width; ++i) {
        Pixel s = from[i];
        to[i] = (s & mask) == key ? to[i] : s;
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define LYRIMO_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define LYRIMO_VECTOR_CLONES
#endif

LYRIMO_VECTOR_CLONES void CopyKeyed32(const uint32_t* from, uint32_t* to, int width, uint32_t key) {
    CopyKeyedRow<uint32_t>(from, to, width, key, kRgbMask);
}

LYRIMO_VECTOR_CLONES void CopyKeyed16(const uint16_t* from, uint16_t* to, int width, uint32_t key) {
    CopyKeyedRow<uint16_t>(from, to, width, key, 0xFFFF);
}

// Blended pixels: per channel (s × alpha) >> 8 + (d × (255 − alpha)) >> 8, on 5-6-5
// pixels (s × a) >> 6 + (d × (63 − a)) >> 6 with a = alpha / 4. The products are
// computed rather than looked up in tables: every pixel then takes the same steps, so
// the compiler blends several at once, and every row is written whole (key pixels
// keep their old value).
LYRIMO_VECTOR_CLONES void BlendRow32(const uint32_t* from, uint32_t* to, int width, uint32_t key,
                                     uint32_t alpha) {
    const uint32_t rest = 255 - alpha;
    for (int i = 0; i < width; ++i) {
        uint32_t s = from[i], d = to[i];
        uint32_t r = (((s >> 16) & 0xFF) * alpha >> 8) + (((d >> 16) & 0xFF) * rest >> 8);
        uint32_t g = (((s >> 8) & 0xFF) * alpha >> 8) + (((d >> 8) & 0xFF) * rest >> 8);
        uint32_t b = ((s & 0xFF) * alpha >> 8) + ((d & 0xFF) * rest >> 8);
        to[i] = (s & kRgbMask) == key ? d : (r << 16 | g << 8 | b);
    }
}

LYRIMO_VECTOR_CLONES void BlendRow16(const uint16_t* from, uint16_t* to, int width, uint32_t key,
                                     uint32_t alpha) {
    const uint32_t a = alpha / 4, rest = 63 - a;
    for (int i = 0; i < width; ++i) {
        uint32_t s = from[i], d = to[i];
        uint32_t r = ((s >> 11) * a >> 6) + ((d >> 11) * rest >> 6);
        uint32_t g = (((s >> 5) & 0x3F) * a >> 6) + (((d >> 5) & 0x3F) * rest >> 6);
        uint32_t b = ((s & 0x1F) * a >> 6) + ((d & 0x1F) * rest >> 6);
        to[i] = uint16_t(s == key ? d : (r << 11 | g << 5 | b));
    }
}

// Each maximal run of non-key pixels of one row, as a one-pixel-high rectangle.
template <typename Pixel>
void AddRuns(const Pixel* row, int y, int left, int right, uint32_t key, uint32_t mask,
             std::vector<tMyRect>& runs) {
    int x = left;
    while (x < right) {
        while (x < right && (row[x] & mask) == key)
            ++x;
        if (x == right)
            break;
        int start = x;
        while (x < right && (row[x] & mask) != key)
            ++x;
        runs.push_back({start, y, x, y + 1});
    }
}

} // namespace

void BlendCopy(Bitmap& source, Bitmap& destination, const tMyRect& sourceRect, tColour keyColour, int alpha,
               int y, int x) {
    if (alpha <= 0)
        return;
    tCopyArea a;
    if (!ClipCopy(source, destination, sourceRect, y, x, a))
        return;
    if (&source == &destination) { // overlapping copies within one bitmap read a snapshot
        Bitmap piece(a.width, a.height, source.Format());
        piece.CopyRect(source, a.sx, a.sy, a.width, a.height, 0, 0);
        BlendCopy(piece, destination, {0, 0, a.width, a.height}, keyColour, alpha, a.dy, a.dx);
        return;
    }
    if (source.Format() != destination.Format()) {
        ConvertPixelFormat(source, WorkingPixelFormat());
        ConvertPixelFormat(destination, WorkingPixelFormat());
    }
    const bool narrow = destination.Format() == tPixelFormat::Bits16;
    const uint32_t key = KeyValue(keyColour, destination.Format());
    alpha = std::min(alpha, 255);
    for (int row = 0; row < a.height; ++row) {
        if (narrow) {
            const uint16_t* from = source.Row16(a.sy + row) + a.sx;
            uint16_t* to = destination.Row16(a.dy + row) + a.dx;
            if (alpha == 255)
                CopyKeyed16(from, to, a.width, key);
            else
                BlendRow16(from, to, a.width, key, uint32_t(alpha));
        } else {
            const uint32_t* from = source.Row32(a.sy + row) + a.sx;
            uint32_t* to = destination.Row32(a.dy + row) + a.dx;
            if (alpha == 255)
                CopyKeyed32(from, to, a.width, key);
            else
                BlendRow32(from, to, a.width, key, uint32_t(alpha));
        }
    }
}

tRegion RegionOfNonKeyPixels(Bitmap& bitmap, const tMyRect& rect, tColour keyColour, tPixelFormat format) {
    ConvertPixelFormat(bitmap, format);
    const int left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, bitmap.Width()), bottom = std::min(rect.Bottom, bitmap.Height());
    if (left >= right || top >= bottom)
        return {};
    const uint32_t key = KeyValue(keyColour, bitmap.Format());
    std::vector<tMyRect> runs;
    for (int y = top; y < bottom; ++y) {
        if (bitmap.Format() == tPixelFormat::Bits16)
            AddRuns(bitmap.Row16(y), y, left, right, key, 0xFFFF, runs);
        else
            AddRuns(bitmap.Row32(y), y, left, right, key, kRgbMask, runs);
    }
    return tRegion(runs);
}

tRegion RegionOfNonKeyPixels(Bitmap& bitmap, tColour keyColour, tPixelFormat format) {
    return RegionOfNonKeyPixels(bitmap, {0, 0, bitmap.Width(), bitmap.Height()}, keyColour, format);
}

tRegion RegionOfNonKeyPixels(Bitmap& bitmap, const tMyRect& rect, tColour keyColour) {
    return RegionOfNonKeyPixels(bitmap, rect, keyColour, WorkingPixelFormat());
}

tRegion RegionOfNonKeyPixels(Bitmap& bitmap, tColour keyColour) {
    return RegionOfNonKeyPixels(bitmap, keyColour, WorkingPixelFormat());
}

void ReplaceColour(Bitmap& bitmap, tColour from, tColour to) {
    const uint32_t old = Bitmap::PixelValue(from, bitmap.Format()), value = bitmap.PixelValue(to);
    for (int y = 0; y < bitmap.Height(); ++y) {
        if (bitmap.Format() == tPixelFormat::Bits16) {
            uint16_t* row = bitmap.Row16(y);
            std::replace(row, row + bitmap.Width(), uint16_t(old), uint16_t(value));
        } else {
            uint32_t* row = bitmap.Row32(y);
            for (int x = 0; x < bitmap.Width(); ++x) {
                if ((row[x] & kRgbMask) == old)
                    row[x] = value;
            }
        }
    }
}

void ConvertPixelFormat(Bitmap& bitmap, tPixelFormat format) { bitmap.SetFormat(format); }

tPixelFormat PixelFormatForGraphicsMode(int graphicsMode, int screenBitsPerPixel) {
    switch (graphicsMode) {
    case 1: return tPixelFormat::Bits16;
    case 2: return tPixelFormat::Bits24;
    case 3: return tPixelFormat::Bits32;
    default: return screenBitsPerPixel < 20 ? tPixelFormat::Bits16 : tPixelFormat::Bits24;
    }
}

void ApplyGraphicsModeSetting(int screenBitsPerPixel) {
    SetWorkingPixelFormat(PixelFormatForGraphicsMode(Settings().GraphicsMode, screenBitsPerPixel));
}

namespace {

constexpr int kSmallestScaledSize = 1, kLargestScaledSize = 999;

// A string of "W" is as wide as its letters together, so one letter is measured and the
// string is never built: a stored width of two billion pixels costs no more than 640.
class tSampleWidth {
public:
    tSampleWidth(const tFont& font, int designWidth) : font_(font) {
        const int64_t letter = LetterWidth(font_.Size());
        letters_ = letter > 0 ? (designWidth + letter - 1) / letter : designWidth;
        letters_ = std::clamp<int64_t>(letters_, 1, std::max(designWidth, 1));
    }
    int64_t At(int size) { return letters_ * LetterWidth(size); }

private:
    int64_t LetterWidth(int size) {
        font_.SetSize(size);
        return font_.TextWidth(QStringLiteral("W"));
    }
    tFont font_;
    int64_t letters_ = 1;
};

// The first size in [from, to] for which fits is false, or to + 1 when there is none;
// fits holds for every size below the first that it does not hold for.
template <class Fits>
int FirstSizeNotFitting(int from, int to, Fits fits) {
    int low = from, high = to + 1;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (fits(middle))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace

void ScaleFontToWidth(tFont& font, int designWidth, int targetWidth) {
    if (designWidth == targetWidth || designWidth < 1 || targetWidth < 1)
        return;
    tSampleWidth sample(font, designWidth);
    const int start = font.Size();
    if (targetWidth < designWidth) {
        // The largest size at or below the current one whose sample is narrower than the
        // target, and never below the smallest size.
        if (start < 2 || sample.At(start) < targetWidth)
            return;
        const int first =
            FirstSizeNotFitting(2, start, [&](int size) { return sample.At(size) < targetWidth; });
        font.SetSize(std::max(first - 1, kSmallestScaledSize));
    } else {
        // The smallest size from the current one up whose sample is wider than the target.
        if (start > kLargestScaledSize - 1)
            return;
        font.SetSize(FirstSizeNotFitting(start, kLargestScaledSize - 1,
                                         [&](int size) { return sample.At(size) <= targetWidth; }));
    }
}

int FirstInkRow(const Bitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            tColour c = bitmap.Pixel(x, y);
            if ((c & 0xFF) > 5 || ((c >> 8) & 0xFF) > 5 || ((c >> 16) & 0xFF) > 5)
                return y;
        }
    }
    return 0;
}

tInkTop MeasureInkTop(const tFont& font) {
    static const QString kLowLetters = QStringLiteral("acegmnopqrsuvwxyz");
    tFont plain = font;
    SetFontQuality(plain, false);
    plain.SetColour(0xFFFFFF);
    Bitmap scratch(std::min(plain.TextWidth(kLowLetters), 1000), plain.Height(), tPixelFormat::Bits24);
    DrawText(scratch, plain, 0, 0, kLowLetters);
    return {FirstInkRow(scratch), plain.Ascent(), plain.Height()};
}

void SetFontQuality(tFont& font, bool antiAliased) { font.SetAntiAliased(antiAliased); }

tMyRect AspectFit(const tMyRect& source, const tMyRect& target) {
    const int64_t sourceWidth = source.Width(), sourceHeight = source.Height();
    const int64_t targetWidth = target.Width(), targetHeight = target.Height();
    const double ratio = sourceHeight == 0 ? 1.0 : double(sourceWidth) / double(sourceHeight);
    auto truncated = [](double v) {
        return std::isfinite(v) ? int64_t(std::clamp(v, -2e9, 2e9))
                                : int64_t{std::numeric_limits<int32_t>::max()};
    };
    int64_t w = targetWidth;
    int64_t h = targetWidth == 0
                    ? 1
                    : (ratio == 0 ? std::numeric_limits<int32_t>::max() : truncated(targetWidth / ratio));
    if (targetHeight < h) {
        w = truncated(targetHeight * ratio);
        h = targetHeight;
    }
    int64_t left = target.Left + targetWidth / 2 - w / 2;
    int64_t top = target.Top + targetHeight / 2 - h / 2;
    auto clamp = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return {clamp(left), clamp(top), clamp(left + w), clamp(top + h)};
}

} // namespace lyrimo
