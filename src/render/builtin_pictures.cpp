#include "render/builtin_pictures.h"

#include "picture/bitmap_png.h"

#include <array>
#include <mutex>

namespace lyrimo {
namespace {

bool IsValid(tBuiltInPicture which) {
    int index = static_cast<int>(which);
    return index >= 0 && index < kBuiltInPictureCount;
}

Bitmap DecodeBuiltIn(tBuiltInPicture which) {
    std::span<const uint8_t> png = BuiltInPicturePng(which);
    Bitmap picture;
    const tBuiltInPictureLayout& layout = LayoutOf(which);
    // A picture that does not decode to its layout would break every strip cut from it;
    // an empty picture makes the loaders show nothing instead.
    if (!DecodePng(png.data(), png.size(), picture) || picture.Width() != layout.width ||
        picture.Height() != layout.height)
        return {};
    return picture;
}

} // namespace

const Bitmap& BuiltInPicture(tBuiltInPicture which) {
    static const Bitmap empty;
    if (!IsValid(which))
        return empty;
    static std::array<Bitmap, kBuiltInPictureCount> pictures;
    static std::array<std::once_flag, kBuiltInPictureCount> decoded;
    const int index = static_cast<int>(which);
    std::call_once(decoded[index], [&] { pictures[index] = DecodeBuiltIn(which); });
    return pictures[index];
}

std::optional<tBuiltInPicture> FindBuiltInPicture(QStringView name) {
    for (int i = 0; i < kBuiltInPictureCount; ++i) {
        if (name.compare(QLatin1String(kBuiltInPictureLayouts[i].name), Qt::CaseInsensitive) == 0)
            return static_cast<tBuiltInPicture>(i);
    }
    return std::nullopt;
}

} // namespace lyrimo
