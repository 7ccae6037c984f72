// The surface a video-capable backend shows its pictures on. Its owner (the playback window, an
// editor's preview panel) hands it to the player with the media, asks the player to refresh the
// display before each frame it draws, and composes the picture it finds here under the lyrics.
// The backend puts in the picture due at the audible position, converted to 32-bit RGB and
// fitted to the display rectangle; the owner decides where it goes and whether it is scaled.
//
// Used from the one thread that drives the player.
#pragma once

#include "picture/bitmap.h"

#include <cstdint>

namespace lyrimo {

struct tVideoCounts {
    int64_t decoded = 0; // pictures the decoder made
    int64_t shown = 0;   // pictures put in the window
    int64_t dropped = 0; // pictures passed over because their time had gone
};

// The size of width × height fitted into the target keeping its proportions: the target's size
// on return, at least 1 × 1.
void FitInto(int width, int height, int& targetWidth, int& targetHeight);

class tVideoWindow {
public:
    // The picture due now; empty before the first and after the media closed.
    const Bitmap& Frame() const { return frame_; }
    bool HasFrame() const { return !frame_.IsEmpty(); }
    // The media time of the picture in milliseconds.
    int64_t FrameTime() const { return frameTime_; }
    // True once after every new picture (and after it was cleared).
    bool TakeChanged();
    const tVideoCounts& Counts() const { return counts_; }

    // The backend's side. Puts a new picture in and hands back the one it replaces, for reuse.
    Bitmap Show(Bitmap&& picture, int64_t time);
    void Clear();
    void CountDecoded(int64_t pictures) { counts_.decoded += pictures; }
    void CountDropped(int64_t pictures) { counts_.dropped += pictures; }

private:
    Bitmap frame_;
    int64_t frameTime_ = 0;
    bool changed_ = false;
    tVideoCounts counts_;
};

} // namespace lyrimo
