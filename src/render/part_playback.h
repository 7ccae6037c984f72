// Line-by-line playback of one song part: which lines of the part are visible in its block of
// the screen, where and in what state, and the instrumental animation during long gaps.
//
// Three line renderers do the drawing (the current, the next and the previous line). The part
// is shown in one of three modes: a single line; a single line with the next line as a small
// preview; or two lines alternating between a top and a bottom slot.
#pragma once

#include "picture/bitmap.h"
#include "render/changes_list.h"

#include <cstdint>
#include <memory>

namespace lyrimo {

class tLyrimoData;
class tLyricsPlayback;
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

class tLyricslinePlayback {
public:
    // buildShapes: ball and animation shapes are built (lyrics composed over full-screen video).
    // animationsAllowed is false in step mode: then neither animations nor highlighting are shown.
    tLyricslinePlayback(tLyrimoData* song, bool animationsAllowed, bool buildShapes, int windowHeight,
                        int blockHeight, int windowWidth, int blockTop, int partIndex);
    ~tLyricslinePlayback();
    tLyricslinePlayback(const tLyricslinePlayback&) = delete;
    tLyricslinePlayback& operator=(const tLyricslinePlayback&) = delete;

    // Makes line index current and prepares the renderers; an index outside the part shows nothing.
    void SetLine(int index, bool wantRegions, tColour keyColour, bool transparentMode);
    // Draws this block for the media time, adding what it drew to changes (and to region when given);
    // returns the index of the line that should be current from now on.
    int32_t DrawFrame(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t mediaTime);
    // The overlay key colour, kept out of the animation and the balls.
    void SetKeyColour(tColour colour);

    tLyrimoData* Song = nullptr;
    int32_t PartIndex = 0;
    int32_t WindowWidth = 0;
    int32_t BlockHeight = 0;
    bool CurrentShown = false;
    bool NextShown = false;
    bool PreviousShown = false;
    int32_t BlockTop = 0;
    int32_t CurrentIndex = -1;
    int32_t WindowHeight = 0;
    bool CurrentAtBottom = false;
    bool AfterGap = false;
    bool FirstLine = false;
    int32_t TopSlotHeight = 0;
    int32_t BottomSlotHeight = 0;
    uint8_t Mode = linemode::Single;
    bool FirstLineTop = true;
    std::unique_ptr<tLyricsPlayback> CurrentRenderer;
    std::unique_ptr<tLyricsPlayback> NextRenderer;
    std::unique_ptr<tLyricsPlayback> PreviousRenderer;
    uint8_t LyricsPosition = linepos::Middle;
    bool PreviewBelow = false;
    bool Fade = false;
    std::unique_ptr<tInstrumentalAnimation> Animation;
    bool AnimationActive = false;
    int32_t AnimationStart = 0;
    int32_t AnimationEnd = 0;
    int32_t AnimationX0 = 0;
    int32_t AnimationX1 = 0;
    int32_t AnimationY0 = 0;
    int32_t AnimationY1 = 0;
    bool AnimationsAllowed = true;
    bool PreviewHalfSize = false;
    int32_t ShownLine = -1;  // kept by the caller
    int32_t WantedLine = -1; // kept by the caller

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
    void LoadAnimation(bool buildShapes);
    void ChooseMode(int& alignment, bool& halfSize, bool& blend);
    void ComputeSlotHeights();
    bool DrawSingle(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t t);
    bool DrawPreview(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t t);
    bool DrawMultiLine(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t t);
    void DrawAnimation(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t t);
    int32_t NextLineToShow() const;
    bool BackingShapes(const tRegion* region) const;
    void AddBacking(tRegion* region, tChangesList& changes, const tMyRect& rect, int corner);
    int LineCount() const;
    bool LineHasTimings(int index) const;
};

} // namespace lyrimo
