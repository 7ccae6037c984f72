// One picture decoder, chosen when the target is built by the file name it decodes as
// (LYRIMO_FUZZ_PICTURE_NAME, such as "slide.jpg"): the picture as a slide is decoded, in both
// pixel formats, and for a GIF also as an animation strip.
#include "fuzz_support.h"

#include "picture/picture_decode.h"

#ifndef LYRIMO_FUZZ_PICTURE_NAME
#error "LYRIMO_FUZZ_PICTURE_NAME names the picture file the target decodes"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = QStringLiteral(LYRIMO_FUZZ_PICTURE_NAME);
    Bitmap picture;
    if (DecodePicture(bytes, name, picture, tPixelFormat::Bits32))
        DecodePicture(bytes, name, picture, tPixelFormat::Bits24);
    if (name.endsWith(".gif")) {
        Bitmap strip;
        std::vector<int32_t> frameEnds;
        int frameCount = 0;
        tColour transparent = 0;
        DecodeAnimation(bytes, name, strip, frameEnds, frameCount, transparent);
    }
    return 0;
}
