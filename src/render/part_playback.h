// Line-by-line playback of one song part: which lines of the part are visible in its block of
// the screen, where and in what state, and the instrumental animation during long gaps.
//
// Three line renderers do the drawing (the current, the next and the previous line). The part
// is shown in one of three modes: a single line; a single line with the next line as a small
// preview; or two lines alternating between a top and a bottom slot.
#pragma once

#include "picture/bitmap.h"
#include "render/changes_list.h"
#include "render/line_renderer.h"
#include "render/line_setup.h"

#include <cstdint>
#include <memory>

namespace lyrimo {

class tLyrimoData;
class tInstrumentalAnimation;
class tRegion;

// Display modes of a part.
namespace linemode {
constexpr uint8_t Single = 0, Preview = 1, MultiLine = 2;
} // namespace linemode

// Where the lyrics sit in their block.
namespace linepos {
constexpr uint8_t Middle = 0, Top = 1, Bottom = 2;
} // namespace linepos

// Where a part's block lies in the window; the line images are as wide as the window and as
// high as the block, and the bounce is measured against the window's height.
struct tPartBlock {
    int WindowWidth = 0;
    int WindowHeight = 0;
    int Top = 0;
    int Height = 0;
};

// How the window shows the part.
struct tPartOptions {
    // False in step mode: then neither animations nor highlighting are shown.
    bool AnimationsAllowed = true;
    // Ball and animation shapes are built (lyrics composed over full-screen video).
    bool BuildShapes = false;
    tPixelFormat Format = tPixelFormat::Bits24; // of the frame drawn on
};

// The instrumental animation's time window (ms of part time) and path: it scrolls from position 0
// to position 1 and back.
struct tAnimationWindow {
    bool Active = false;
    int32_t Start = 0;
    int32_t End = 0;
    int32_t X0 = 0;
    int32_t X1 = 0;
    int32_t Y0 = 0;
    int32_t Y1 = 0;
};

class tLyricslinePlayback {
public:
    tLyricslinePlayback(tLyrimoData* song, int partIndex, const tLineSetup& setup, const tPartBlock& block,
                        const tPartOptions& options);
    ~tLyricslinePlayback();
    tLyricslinePlayback(const tLyricslinePlayback&) = delete;
    tLyricslinePlayback& operator=(const tLyricslinePlayback&) = delete;

    // Makes line index current and prepares the renderers; an index outside the part shows nothing.
    void SetLine(int index, bool wantRegions, tColour keyColour, bool transparentMode);
    // Draws this block for the media time, adding what it drew to changes (and to region when given);
    // lines count as finished endEarlyMargin ms before their last timing. Returns the index of the
    // line that should be current from now on.
    int32_t DrawFrame(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t mediaTime,
                      int32_t endEarlyMargin);
    // The overlay key colour, kept out of the animation and the balls.
    void SetKeyColour(tColour colour);

    // The line last given to SetLine (−1 before the first) and the answer of the last DrawFrame
    // (−1 before the first).
    int32_t ShownLine() const { return currentIndex_; }
    int32_t WantedLine() const { return wantedLine_; }
    int32_t PartIndex() const { return partIndex_; }
    int32_t BlockTop() const { return blockTop_; }
    int32_t BlockHeight() const { return blockHeight_; }
    uint8_t Mode() const { return mode_; }
    bool AnimationsAllowed() const { return animationsAllowed_; }
    bool CurrentAtBottom() const { return currentAtBottom_; }
    bool AfterGap() const { return afterGap_; }
    bool PreviousShown() const { return previousShown_; }
    bool Fade() const { return fade_; }
    int32_t TopSlotHeight() const { return topSlotHeight_; }
    int32_t BottomSlotHeight() const { return bottomSlotHeight_; }
    // The part of the bottom slot above its lines kept free for the ball.
    int32_t BottomBallRoom() const { return bottomBallRoom_; }
    const tInstrumentalAnimation* Animation() const { return animation_.get(); }
    const tAnimationWindow& AnimationWindow() const { return animationWindow_; }

    // The animation's window for a blank stretch after line (−1: before the first line); it is
    // scheduled only when none is active and the gap is long enough.
    void ScheduleAnimation(int line);
    // The alphas of the next and the previous line while the current line is sung (multi-line fading).
    struct tFadeAlphas {
        int next = 255;
        int previous = 0;
    };
    tFadeAlphas FadeAlphas(int32_t partTime) const;
    // Whether the current line is drawn at all at this part time (a verse's first line shows early).
    bool CurrentLineVisible(int32_t partTime) const;

private:
    // The frame being drawn and the time it is drawn for.
    struct tDrawTarget {
        Bitmap& frame;
        tRegion* region;
        tChangesList& changes;
        int32_t t; // part time
        int32_t endEarlyMargin;
    };
    void LoadAnimation(bool buildShapes);
    void ChooseMode(tLineRole& role);
    void ComputeSlotHeights(const tLineImages& images);
    bool DrawSingle(const tDrawTarget& target);
    bool DrawPreview(const tDrawTarget& target);
    bool DrawMultiLine(const tDrawTarget& target);
    void DrawAnimation(const tDrawTarget& target);
    int32_t NextLineToShow() const;
    bool BackingShapes(const tRegion* region) const;
    void AddBacking(tRegion* region, tChangesList& changes, const tMyRect& rect, int corner);
    int LineCount() const;
    bool LineHasTimings(int index) const;

    tLyrimoData* song_ = nullptr;
    int32_t partIndex_ = 0;
    tLineSetup setup_;
    int32_t windowWidth_ = 0;
    int32_t blockHeight_ = 0;
    bool currentShown_ = false;
    bool nextShown_ = false;
    bool previousShown_ = false;
    int32_t blockTop_ = 0;
    int32_t currentIndex_ = -1;
    int32_t windowHeight_ = 0;
    bool currentAtBottom_ = false;
    bool afterGap_ = false;
    bool firstLine_ = false;
    int32_t topSlotHeight_ = 0;
    int32_t bottomSlotHeight_ = 0;
    int32_t bottomBallRoom_ = 0;
    uint8_t mode_ = linemode::Single;
    bool firstLineTop_ = true;
    std::unique_ptr<tLyricsPlayback> currentRenderer_;
    std::unique_ptr<tLyricsPlayback> nextRenderer_;
    std::unique_ptr<tLyricsPlayback> previousRenderer_;
    uint8_t lyricsPosition_ = linepos::Middle;
    bool previewBelow_ = false;
    bool fade_ = false;
    std::unique_ptr<tInstrumentalAnimation> animation_;
    tAnimationWindow animationWindow_;
    bool animationsAllowed_ = true;
    bool previewHalfSize_ = false;
    tPixelFormat format_ = tPixelFormat::Bits24;
    int32_t wantedLine_ = -1;
};

} // namespace lyrimo
