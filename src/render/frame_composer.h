// The playback frame without a window: the background layer (colour, picture or slide show),
// the video frame fitted into the picture area, and the lyrics of every song part, composed into
// one off-screen frame together with the rectangles that changed since the screen last got them.
//
// The playback window, the command-line renderer and the benchmarks all compose through this
// class, so what the screen shows can be reproduced and checked without a display.
#pragma once

#include "picture/bitmap.h"
#include "render/changes_list.h"
#include "render/line_setup.h"
#include "render/on_screen_display.h"
#include "render/part_playback.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace lyrimo {

class tLyrimoData;
class tSlideShowhandler;

// The media time used in step mode: every line counts as finished.
constexpr int32_t kStepModeTime = 999999999;

struct tComposerInput {
    int32_t mediaTime = 0;              // the time the window computed (kStepModeTime in step mode)
    bool full = false;                  // full redraw asked
    const Bitmap* videoFrame = nullptr; // latest decoded video frame (32-bit) when the song has video
    bool videoFrameChanged = true;      // the video frame differs from the one given last time
    tOnScreenText onScreen;             // the message over the lyrics, set by the session's clock
    int64_t clock = 0;                  // the session's clock now, which the message is timed by
};

// The lyrics area and the picture area of a client width × height: where the lyrics are laid out
// and where the video or the slides are shown.
struct tPlaybackAreas {
    tMyRect Lyrics;
    tMyRect Picture;
};
tPlaybackAreas ComputePlaybackAreas(const tLyrimoData& song, int width, int height, bool stepMode);
// The picture area shrunk to the video's proportions and centred in it (320 × 240 when the video
// size is unknown).
tMyRect FitAreaToVideo(const tMyRect& area, int videoWidth, int videoHeight);

// What a performance composes with, fixed for the song.
struct tComposerSetup {
    tLineSetup Lines;                           // from the preferences, read once per song
    tPixelFormat Format = tPixelFormat::Bits24; // of the frame and of everything drawn into it
    bool StepMode = false;                      // no media: the user advances the lines
};

class tFrameComposer {
public:
    // Computes the areas, creates the renderers and prepares the slide show for a client of
    // width × height.
    tFrameComposer(tLyrimoData* song, int width, int height, const tComposerSetup& setup);
    ~tFrameComposer();
    tFrameComposer(const tFrameComposer&) = delete;
    tFrameComposer& operator=(const tFrameComposer&) = delete;

    // One line-by-line renderer per song part, none shown yet; also used on rewind.
    void CreateRenderers();
    const tMyRect& LyricsArea() const { return lyricsArea_; }
    const tMyRect& PictureArea() const { return pictureArea_; }
    // Shrinks the picture area to the video's proportions (only for a song with video that is not
    // shown full screen) and prepares the slide show for the new area.
    void FitPictureAreaToVideo(int videoWidth, int videoHeight);

    // Composes one frame into Frame(); returns the rectangles to copy to the screen (the whole
    // client rectangle among them on a full redraw).
    const tChangesList& Compose(const tComposerInput& input);
    // Prepares the lines the last Compose asked for. Called after the frame was output, so that
    // the cost of a new line stays out of the frame that still shows the old one.
    void PrepareWantedLines();
    // Step mode: one more line of every part.
    void StepAllParts();
    // Step mode: some part has shown its last line.
    bool AllPartsDone() const;
    // How many ms before its last timing a line counts as finished, so that the next line is
    // ready in time: "EndEarlyMin" at first, then kept in step with the preparation time.
    int32_t EndEarlyMargin() const { return endEarlyMargin_; }
    // Recomputes the end-early margin from the measured preparation time.
    void UpdateEndEarlyMargin();
    // The average milliseconds one line preparation took (1 before any).
    int32_t AveragePrepTime() const;

    // Makes the slide show's "Random" transitions repeatable (prepares the slide show again).
    void SeedSlideShow(uint32_t seed);

    // The colour a player's overlay keys on; kept out of the lyrics and animations.
    void SetKeyColour(tColour colour);
    tColour KeyColour() const { return keyColour_; }

    // Only Compose draws on the frame: it keeps the background layer there from one frame to the
    // next, so whatever else is drawn on it stays until a full redraw.
    const Bitmap& Frame() const { return frame_; }
    Bitmap& Frame() { return frame_; }
    // The box of the on-screen message the last Compose drew (empty when none).
    const tMyRect& OnScreenBox() const { return onScreenBox_; }
    // The last Compose was a full redraw (asked, or the background layer changed as a whole).
    bool LastWasFull() const { return lastWasFull_; }
    bool StepMode() const { return setup_.StepMode; }
    tPixelFormat Format() const { return setup_.Format; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    int32_t PrepTimeTotal = 0; // ms spent preparing lines
    int32_t PrepCount = 0;     // lines prepared
    std::vector<std::unique_ptr<tLyricslinePlayback>>& Renderers() { return renderers_; }

    tChangesList CurrentChanges;
    tChangesList PreviousChanges;
    tChangesList ScratchChanges;

private:
    void PrepareSlideShow();
    bool CutsOutOverVideo() const;
    bool UpdateBackground(int32_t time, bool& full);
    tMyRect VideoTarget(int width, int height) const;
    void PrepareVideo(const tComposerInput& input);
    void DrawWholeLayer();
    void DrawLayerArea(const tMyRect& area);
    void RestoreLayer(const tComposerInput& input);
    void SetLineMeasured(tLyricslinePlayback& renderer, int index);
    void DrawOnScreen(const tComposerInput& input);

    tLyrimoData* song_;
    int width_;
    int height_;
    tComposerSetup setup_;
    int32_t endEarlyMargin_;
    tColour keyColour_ = 0;
    bool lastWasFull_ = false;
    tMyRect lyricsArea_;
    tMyRect pictureArea_;
    Bitmap frame_;
    Bitmap scaledVideo_;
    // The frame holds the background layer (the slide show or the colour, and the video frame
    // over it) everywhere except where the last frame drew over it: the lyrics, balls and
    // animations listed in drawnOver_ and the on-screen message. A frame repaints only those
    // from the layer before drawing, unless the layer changed or a full redraw was asked.
    bool layerInFrame_ = false;
    tChangesList drawnOver_;
    const Bitmap* video_ = nullptr; // the video frame at its target size, while one is shown
    tMyRect videoTarget_;
    tMyRect videoTargetShown_; // where the last frame showed the video
    std::unique_ptr<tSlideShowhandler> slideShow_;
    std::vector<std::unique_ptr<tLyricslinePlayback>> renderers_;
    std::unique_ptr<tOnScreenDisplay> onScreen_; // made when a message first shows
    tOnScreenText onScreenShown_;
    tMyRect onScreenBox_;
};

} // namespace lyrimo
