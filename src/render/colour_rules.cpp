#include "render/colour_rules.h"

namespace lyrimo {
namespace {

uint32_t NearChannel(uint32_t c, uint32_t step) { return c < step ? c + step : c - step; }

} // namespace

tColour NearColour(tColour colour, bool fine, tPixelFormat format) {
    tColour result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t c = (colour >> shift) & 0xFF;
        uint32_t changed;
        if (format == tPixelFormat::Bits16)
            changed = NearChannel(c, fine ? 16 : 8);
        else if (fine)
            changed = NearChannel(c, 2);
        else
            changed = c == 0 ? 1 : c - 1;
        result |= changed << shift;
    }
    return result;
}

bool SamePixel(tColour a, tColour b, tPixelFormat format) {
    return Bitmap::PixelValue(a, format) == Bitmap::PixelValue(b, format);
}

tColour DistinctColour(tColour a, tColour b, tColour c, tPixelFormat format) {
    if (!SamePixel(a, b, format) && !SamePixel(a, c, format))
        return a;
    tColour near = NearColour(a, false, format);
    if (SamePixel(near, b, format) || SamePixel(near, c, format))
        return NearColour(a, true, format);
    return near;
}

} // namespace lyrimo
