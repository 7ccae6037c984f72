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
#include "render/region.h"
#include "render/unicode_font_engine.h"

#include <cstdint>

namespace lyrimo {

class tLyrimoData;
class tLyricsData;
class tTimingsLineType;

// How many ms before its last timing a line counts as finished; the playback window keeps
// it in step with how long preparing a line takes.
extern int32_t EndEarlyMargin; // initially 40

class tLyricsPlayback {
public:
    tLyricsPlayback();

    // Binds a song part and an image size; PrepareLine must follow before drawing.
    void Setup(tLyrimoData* song, int partIndex, bool buildBallShape, bool measureOnly, bool fadeFlag,
               bool blend, bool halfSize, int previewAlignment, bool isPreview, bool noHighlight,
               int bounceBase, int height, int width);
    // Lays out line lineIndex of the part and paints both images (unless measuring only).
    void PrepareLine(int lineIndex, bool wantRegions, tColour keyColour, bool transparentMode);
    // Composes the prepared line onto frame for part time `time`, with its top at `top`.
    // changes and region may be null; they are only added to. True once the line is finished.
    bool DrawFrame(Bitmap& frame, int32_t time, int alpha, tChangesList* changes, int clipHeight, int top,
                   tRegion* region, bool highlight);
    // Pixels along the line reached at time: 0 before the line starts, -1 once finished.
    double WipePosition(int32_t time);
    // Recolours the ball's pixels of this colour so the ball never shows the key colour.
    void SetBallKeyColour(tColour colour);

    // Helpers of the wipe, on the whole line's glyphs (1-based indexes).
    int GlyphAtPixel(int x) const;
    bool BreakAtPixel(int x, int offset) const;
    int ExtendToBreaks(int index, int step, bool withExtra) const;
    // Glyph indexes [from, to] of the timing sung at time (highlight-timings mode).
    void CurrentTimingRange(int32_t time, int& from, int& to) const;
    // Where the ball sits for wipe position p: false when no row holds p.
    bool BallPosition(double p, int top, int& x, int& y, int& groundY);
    // Copies the pixels of source between from and to along the line onto frame.
    void CopyWipeRange(Bitmap& source, int from, int to, bool extendLeft, bool extendRight, Bitmap& frame,
                       int alpha, tChangesList* changes, int clipHeight, int top, tRegion* region,
                       const tRegion* sourceRegion);

    tBouncingBall Ball;
    tRealBallBounces Bounces;
    tRegion UnsungRegion;
    tRegion SungRegion;
    bool BallEnabled = false;
    int32_t RowPitch = 0;
    int32_t TextHeight = 0;
    int32_t TotalWidth = 0;
    int32_t BallSpace = 0;
    tLyrimoData* Song = nullptr;
    int32_t PartIndex = 0;
    int32_t LineIndex = -1;
    int32_t LineStartTime = 0;
    bool UnderlineSung = false;
    int32_t RightExtra = 0;
    int32_t LeftExtra = 0;
    int32_t BallHalfWidth = 0;
    int32_t InkTop = 0;
    int32_t EffectSize = 0;
    int32_t EffectLeft = 0;
    int32_t EffectTop = 0;
    int32_t EffectRight = 0;
    int32_t EffectBottom = 0;
    Bitmap UnsungImage;
    Bitmap SungImage;
    bool IsPreview = false;
    bool NoHighlight = false;
    bool FadeFlag = false;
    uint8_t Alignment = 1;
    bool Blend = false;
    bool MeasureOnly = false;
    int32_t Ascent = 0;
    tColour KeyColour = 0;
    bool TransparentMode = false;
    tWordwrappedUnicodeFontEngine Wrapper;

    // The fonts the two images are painted with; the wrapper measures with the unsung one.
    tCanvas UnsungCanvas;
    tCanvas SungCanvas;

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

    bool usesRegions_ = false;
};

} // namespace lyrimo
