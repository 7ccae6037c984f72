// The small animations over the lyrics: the bouncing ball that hops from word to word,
// the instrumental animation shown while no lyrics are due, and the ball's trajectory.
// Both animations are strips of equally wide frames drawn with a transparent colour.
#pragma once

#include "picture/bitmap.h"
#include "render/region.h"
#include "render/unicode_font_engine.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace lyrimo {

// The clock animations choose frames by: TickCount() unless replaced (tests and the
// command line set a fixed clock so pictures are reproducible). nullptr restores the
// tick count.
int64_t AnimationNow();
void SetAnimationClock(int64_t (*clock)());

class tSingleAnimation {
public:
    // Strips are held in format; the process's working format unless given.
    explicit tSingleAnimation(tPixelFormat format = WorkingPixelFormat());
    virtual ~tSingleAnimation();
    tSingleAnimation(const tSingleAnimation&) = default;
    tSingleAnimation& operator=(const tSingleAnimation&) = default;
    tSingleAnimation(tSingleAnimation&&) = default;
    tSingleAnimation& operator=(tSingleAnimation&&) = default;

    // true when a picture was loaded; on failure the animation is empty (draws nothing).
    // GIF files become strips of all their frames with their frame times; other pictures
    // are one image that frameCount divides into frames.
    virtual bool LoadFromFile(const QString& fileName, tColour transparentColour, bool buildShape,
                              int frameCount);
    // The same from a picture file's bytes, fileName giving its type. Leaves
    // TotalDuration alone, so a plain animation steps every 40 ms.
    virtual bool LoadFromStream(const QByteArray& bytes, const QString& fileName, bool buildShape,
                                int frameCount, tColour transparentColour);

    // The format of the strip and of everything loaded from now on.
    void SetPixelFormat(tPixelFormat format);
    tPixelFormat PixelFormat() const { return format_; }

    void SetFrameCount(int n);
    // Shape = the strip's pixels that differ from TransparentColour.
    void BuildShape();
    // The frame shown at ms on the clock: by the frame times when there are any, else
    // one frame every 40 ms.
    int FrameAt(int64_t ms) const;
    // Draws one frame with its top left at (x, y); transparent skips TransparentColour.
    void DrawFrameAt(int frame, Bitmap& destination, bool transparent, int y, int x) const;
    // Draws the current frame at x. y is the ball's height position (set to groundY when
    // not bouncing); simple balls squash in the last pixels above the ground. Returns the
    // frame drawn.
    int Draw(Bitmap& destination, int x, bool forward, bool bouncing, bool animating, bool transparent,
             int groundY, int& y) const;
    // region = the drawn pixels of frame, moved to x = 0 (unchanged when there is no
    // such frame).
    void FrameShape(int frame, tRegion& region) const;
    // Recolours the strip so that it holds no pixel of colour (an overlay key colour).
    void ReplaceColour(tColour colour);
    int Height() const { return Strip.Height(); }

    Bitmap Strip;
    tColour TransparentColour = 0;
    int32_t FrameCount = 0;
    int32_t FrameWidth = 0;
    bool TimeAnimated = false;
    std::optional<tRegion> Shape;
    std::vector<int32_t> FrameEnds;
    int32_t TotalDuration = 1;

protected:
    // Empties everything a load replaces.
    void Reset();
    // Sets the frame layout after a successful load.
    void Finish(tColour transparentColour, int frameCount, bool buildShape);
    void RecomputeFrameWidth();
    bool LoadPicture(const QString& fileName, const QByteArray* bytes);

    tPixelFormat format_;
};

class tBouncingBall : public tSingleAnimation {
public:
    using tSingleAnimation::tSingleAnimation;
    // Built-in balls 0..53; balls from 30 on spin with the clock, the others only
    // squash on landing. Other indexes give an invisible ball.
    void LoadBuiltIn(int index, bool buildShape);
};

class tInstrumentalAnimation : public tSingleAnimation {
public:
    using tSingleAnimation::tSingleAnimation;
    // As the base, but always running with the clock: one cycle lasts the picture's
    // frame times, or 100 ms when it has none.
    bool LoadFromFile(const QString& fileName, tColour transparentColour, bool buildShape,
                      int frameCount) override;
    bool LoadFromStream(const QByteArray& bytes, const QString& fileName, bool buildShape, int frameCount,
                        tColour transparentColour) override;
    // Built-in animations 0..3 (dancing notes twice, saxophone, trumpet); other indexes
    // leave it empty.
    void LoadBuiltIn(int index, bool buildShape);

private:
    void TakeCycleFromFrameTimes();
};

// The ball's path along a line: where it touches down (a few points per word) and how
// high it is between them.
class tRealBallBounces {
public:
    // lettersPerBounce below 3 counts as 3.
    void Configure(int lettersPerBounce, int bounceHeight, bool trueBounce, bool bouncing);
    // The touch-down points for the line measured in whole.
    void ComputePoints(const tUnicodeFontEngine& whole);
    // Height above the ground at x pixels along the line.
    int HeightAt(double x);

    std::vector<int32_t> Points;
    double LastX = -10000.0;
    int32_t LastHeight = -10000;
    int32_t LineWidth = 0;
    bool Bouncing = true;
    bool TrueBounce = false;
    int32_t LettersPerBounce = 8;
    int32_t BounceHeight = 0;
};

} // namespace lyrimo
