#include "render/fit_picture.h"

#include "picture/picture_decode.h"
#include "render/drawing_utils.h"

#include <pixman.h>

#include <algorithm>
#include <cstdlib>

namespace lyrimo {
namespace {

// The bitmap's pixels as a pixman image (no copy); the memory layouts agree.
pixman_image_t* WrapBitmap(const Bitmap& bitmap) {
    pixman_format_code_t format = bitmap.Format() == tPixelFormat::Bits16 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8;
    auto* bits = reinterpret_cast<uint32_t*>(const_cast<uint8_t*>(bitmap.Row(0)));
    return pixman_image_create_bits(format, bitmap.Width(), bitmap.Height(), bits, bitmap.Stride());
}

// Reducing samples every covered source pixel (a box over the footprint of a target
// pixel); enlarging interpolates between neighbours.
void SetStretchFilter(pixman_image_t* image, double scaleX, double scaleY) {
    if (scaleX <= 1.0 && scaleY <= 1.0) {
        pixman_image_set_filter(image, PIXMAN_FILTER_BILINEAR, nullptr, 0);
        return;
    }
    int count = 0;
    pixman_fixed_t* params = pixman_filter_create_separable_convolution(
        &count, pixman_double_to_fixed(std::max(scaleX, 1.0)), pixman_double_to_fixed(std::max(scaleY, 1.0)),
        PIXMAN_KERNEL_LINEAR, PIXMAN_KERNEL_LINEAR, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, 4, 4);
    if (params) {
        pixman_image_set_filter(image, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
        std::free(params);
    } else {
        pixman_image_set_filter(image, PIXMAN_FILTER_GOOD, nullptr, 0);
    }
}

// pixman may fill the unused fourth byte of 32-bit pixels; the bitmaps keep it 0.
void ClearUnusedBytes(Bitmap& target, const tMyRect& rect) {
    if (target.Format() == tPixelFormat::Bits16)
        return;
    int left = std::max(rect.Left, 0), right = std::min(rect.Right, target.Width());
    for (int y = std::max(rect.Top, 0); y < std::min(rect.Bottom, target.Height()); ++y) {
        uint32_t* row = target.Row32(y);
        for (int x = left; x < right; ++x)
            row[x] &= 0xFFFFFF;
    }
}

} // namespace

void StretchPicture(const Bitmap& source, Bitmap& target, const tMyRect& rect) {
    if (source.IsEmpty() || target.IsEmpty() || rect.IsEmpty())
        return;
    pixman_image_t* from = WrapBitmap(source);
    pixman_image_t* to = WrapBitmap(target);
    if (from && to) {
        double scaleX = double(source.Width()) / rect.Width(),
               scaleY = double(source.Height()) / rect.Height();
        pixman_transform_t transform;
        pixman_transform_init_scale(&transform, pixman_double_to_fixed(scaleX),
                                    pixman_double_to_fixed(scaleY));
        pixman_image_set_transform(from, &transform);
        pixman_image_set_repeat(from, PIXMAN_REPEAT_PAD);
        SetStretchFilter(from, scaleX, scaleY);
        pixman_image_composite32(PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, rect.Left, rect.Top,
                                 rect.Width(), rect.Height());
        ClearUnusedBytes(target, rect);
    }
    if (from)
        pixman_image_unref(from);
    if (to)
        pixman_image_unref(to);
}

void FitPicture(const Bitmap* picture, Bitmap& destination, bool maintainAspect, bool tile, int height,
                int width, tColour backgroundColour, tPixelFormat format) {
    destination = Bitmap(width, height, format);
    destination.Fill(backgroundColour);
    if (!picture || picture->Width() < 2 || picture->Height() < 2 || destination.IsEmpty())
        return;
    const tMyRect whole{0, 0, destination.Width(), destination.Height()};
    if (tile) {
        const int w = picture->Width(), h = picture->Height();
        for (int x = 0; x < whole.Right; x += w)
            destination.CopyRect(*picture, 0, 0, w, h, x, 0);
        for (int y = h; y < whole.Bottom; y += h)
            destination.CopyRect(destination, 0, 0, whole.Right, h, 0, y);
    } else if (maintainAspect) {
        StretchPicture(*picture, destination, AspectFit({0, 0, picture->Width(), picture->Height()}, whole));
    } else {
        StretchPicture(*picture, destination, whole);
    }
}

void FitPicture(const QByteArray& bytes, const QString& name, Bitmap& destination, bool maintainAspect,
                bool tile, int height, int width, tColour backgroundColour, tPixelFormat format) {
    Bitmap picture;
    bool decoded = DecodePicture(bytes, name, picture, format);
    FitPicture(decoded ? &picture : nullptr, destination, maintainAspect, tile, height, width,
               backgroundColour, format);
}

} // namespace lyrimo
