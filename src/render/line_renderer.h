// One lyrics line on screen: the line is laid out once into two images of identical
// layout, the unsung look and the sung look, and every frame copies pieces of them onto
// the caller's frame up to the point the singer has reached (the colour wipe), then draws
// the bouncing ball above the text.
//
// Positions along a line are pixels along the concatenation of its wrapped rows, so the
// wipe is one number however many rows the line has. Times are part time in ms.
#pragma once

#include "picture/bitmap.h"
#include "render/animations.h"
#include "render/changes_list.h"
#include "render/font_backend.h"
#include "render/line_setup.h"
#include "render/region.h"
#include "render/unicode_font_engine.h"

#include <cstdint>

namespace lyrimo {

class tLyrimoData;
class tLyricsData;
class tTimingsLineType;

// The end-early margin for a line drawn on its own, where no composer keeps one in step with
// the preparation time.
constexpr int32_t kDefaultEndEarlyMargin = 40;

// What the owner uses a renderer for.
struct tLineRole {
    bool MeasureOnly = false;    // lays lines out but never draws (measuring)
    bool IsPreview = false;      // shows the preview line; the preview look below applies
    bool NoHighlight = false;    // never draws sung text (neighbouring lines, step mode)
    bool FadeFlag = false;       // the owner fades this line in
    bool BuildBallShape = false; // lyrics composed over video need the ball's shape
    // The preview look.
    int PreviewAlignment = 1; // 0 left, 1 centre, 2 right
    bool HalfSize = false;
    bool Blend = false; // text blended halfway toward the background
};

// A line's two images: their size and pixel format, and the height the bounce is measured
// against (the window's).
struct tLineImages {
    int Width = 0;
    int Height = 0;
    tPixelFormat Format = tPixelFormat::Bits24;
    int BounceBase = 0;
};

// How far the text format reaches beyond each row, and the widening of ranges at breaks.
struct tLineEffects {
    int32_t Size = 0; // thickness the format adds to every row
    int32_t Left = 0; // left and top are zero or negative
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    int32_t LeftExtra = 0;
    int32_t RightExtra = 0;
};

class tLyricsPlayback {
public:
    tLyricsPlayback();

    // Binds a song part and the images; PrepareLine must follow before drawing.
    void Setup(tLyrimoData* song, int partIndex, const tLineSetup& setup, const tLineRole& role,
               const tLineImages& images);
    // Lays out line lineIndex of the part and paints both images (unless measuring only).
    void PrepareLine(int lineIndex, bool wantRegions, tColour keyColour, bool transparentMode);
    // Composes the prepared line onto frame for part time `time`, with its top at `top`; the line
    // counts as finished endEarlyMargin ms before its last timing. changes and region may be
    // null; they are only added to. True once the line is finished.
    bool DrawFrame(Bitmap& frame, int32_t time, int32_t endEarlyMargin, int alpha, tChangesList* changes,
                   int clipHeight, int top, tRegion* region, bool highlight);
    // Pixels along the line reached at time: 0 before the line starts, -1 once finished, that is
    // from endEarlyMargin ms before its last timing on.
    double WipePosition(int32_t time, int32_t endEarlyMargin) const;
    // Recolours the ball's pixels of this colour so the ball never shows the key colour.
    void SetBallKeyColour(tColour colour);
    // Leaves the ball out of the frames drawn until it is let back in (a line fading out).
    void SetBallShown(bool shown) { ballShown_ = shown; }

    // Helpers of the wipe, on the whole line's glyphs (1-based indexes).
    int GlyphAtPixel(int x) const;
    bool BreakAtPixel(int x, int offset) const;
    int ExtendToBreaks(int index, int step, bool withExtra) const;
    // Glyph indexes [from, to] of the timing sung at time (highlight-timings mode).
    void CurrentTimingRange(int32_t time, int& from, int& to) const;
    // Where the ball sits for wipe position p: false when no row holds p.
    bool BallPosition(double p, int top, int& x, int& y, int& groundY);
    // Copies the pixels of one image between from and to along the line onto frame.
    enum class tLook { Unsung, Sung };
    void CopyWipeRange(tLook look, int from, int to, bool extendLeft, bool extendRight, Bitmap& frame,
                       int alpha, tChangesList* changes, int clipHeight, int top, tRegion* region);

    // The layout of the prepared line.
    int32_t TextHeight() const { return textHeight_; }
    int32_t BallSpace() const { return ballSpace_; }
    int32_t RowPitch() const { return rowPitch_; }
    int32_t TotalWidth() const { return totalWidth_; }
    int32_t LineStartTime() const { return lineStartTime_; }
    int32_t InkTop() const { return inkTop_; }
    const tLineEffects& Effects() const { return effects_; }
    const tWordwrappedUnicodeFontEngine& Wrapper() const { return wrapper_; }
    // The ball, when the part has one.
    bool BallEnabled() const { return ballEnabled_; }
    const tBouncingBall& Ball() const { return ball_; }
    int32_t BallHalfWidth() const { return ballHalfWidth_; }
    // The painted images, their key colour and, when asked for, their shapes.
    const Bitmap& UnsungImage() const { return unsungImage_; }
    const Bitmap& SungImage() const { return sungImage_; }
    tColour KeyColour() const { return keyColour_; }
    bool TransparentMode() const { return transparentMode_; }
    const tRegion& UnsungRegion() const { return unsungRegion_; }
    const tRegion& SungRegion() const { return sungRegion_; }

private:
    struct tRowColours {
        tColour text = 0;
        tColour back = 0;
        tColour fill = 0;
        tColour format = 0;
    };
    struct tCopyTarget {
        Bitmap& frame;
        int alpha;
        tChangesList* changes;
        int clipHeight;
        int top;
        tRegion* region;
    };
    tLyricsData* Part() const;
    const tTimingsLineType* Line() const;
    bool SameColour(tColour a, tColour b) const;
    int WidthUpTo(int glyphs) const;

    void LoadBall(const tLyricsData& part, bool buildShape);
    void SetupFonts(const tLyricsData* part, bool halve, int width);
    void SetupEffects(const tLyricsData* part);
    void LayOutRows(int format, bool wideMargins);
    void PaintImages(const tTimingsLineType* line, const tLyricsData* part);
    tColour Visible(tColour colour, tColour background, tColour back) const;
    tColour ShadowColour(tColour colour) const;
    void DrawRow(const tUnicodeFontEngine& row, Bitmap& image, tCanvas& canvas, const tRowColours& colours,
                 tRegion* region, bool underline);
    void DrawBubble(Bitmap& image, const tMyRect& rowRect, const tMyRect* underline,
                    const tRowColours& colours, int n, tRegion* formatShape);
    void AddRowShape(tRegion& region, const tMyRect& box, const tRegion& textShape,
                     const tRegion& formatShape, const tRowColours& colours, tColour text) const;
    void CopyWipeRange(Bitmap& source, int from, int to, bool extendLeft, bool extendRight,
                       const tCopyTarget& target, const tRegion* sourceShape);
    void DrawBall(Bitmap& frame, double p, int top, tChangesList* changes, tRegion* region);

    tLineSetup::tWipe wipe_;
    tBouncingBall ball_;
    tRealBallBounces bounces_;
    tRegion unsungRegion_;
    tRegion sungRegion_;
    bool ballEnabled_ = false;
    bool ballShown_ = true;
    int32_t rowPitch_ = 0;
    int32_t textHeight_ = 0;
    int32_t totalWidth_ = 0;
    int32_t ballSpace_ = 0;
    tLyrimoData* song_ = nullptr;
    int32_t partIndex_ = 0;
    int32_t lineIndex_ = -1;
    int32_t lineStartTime_ = 0;
    bool underlineSung_ = false;
    int32_t ballHalfWidth_ = 0;
    int32_t inkTop_ = 0;
    tLineEffects effects_;
    Bitmap unsungImage_;
    Bitmap sungImage_;
    tLineRole role_;
    uint8_t alignment_ = 1;
    int32_t ascent_ = 0;
    tColour keyColour_ = 0;
    bool transparentMode_ = false;
    tWordwrappedUnicodeFontEngine wrapper_;
    // The fonts the two images are painted with; the wrapper measures with the unsung one.
    tCanvas unsungCanvas_;
    tCanvas sungCanvas_;
    bool usesRegions_ = false;
};

} // namespace lyrimo
