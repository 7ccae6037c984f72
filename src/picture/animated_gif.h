// Turns an animated GIF into a strip: every frame, fully composed, side by side.
#pragma once

#include "picture/bitmap.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lyrimo {

class tEasyAnimatedGif {
public:
    // Each load replaces everything below; on failure the object is left empty
    // (no frames, empty strip) and false is returned.
    bool LoadFile(const QString& path);
    bool LoadFromMemory(const QByteArray& bytes);
    bool LoadFromMemory(const uint8_t* data, size_t size);

    // The strip's size: the picture's width × FrameCount, and its height.
    int Width() const { return Strip.Width(); }
    int Height() const { return Strip.Height(); }
    // The width of one frame (0 when nothing is loaded).
    int FrameWidth() const { return FrameCount > 0 ? Strip.Width() / FrameCount : 0; }

    int32_t FrameCount = 0;
    // Length of one cycle in ms, at least 10.
    int32_t TotalDuration = 10;
    // 24-bit; pixels no frame covers hold KeyColour.
    Bitmap Strip;
    // A colour no frame uses, the strip's background and transparent colour.
    tColour KeyColour = 0;
    // Cumulative end time in ms of each frame.
    std::vector<int32_t> FrameEnds;

private:
    void Clear();
};

} // namespace lyrimo
