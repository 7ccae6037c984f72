#include "render/animations.h"

#include "document/song_loading.h"
#include "picture/animated_gif.h"
#include "picture/picture_decode.h"
#include "render/builtin_pictures.h"
#include "render/colour_rules.h"
#include "render/drawing_utils.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <numbers>

namespace lyrimo {
namespace {

int64_t (*animationClock)() = nullptr;

// Frames of pictures without frame times advance this often.
constexpr int kFrameStepMs = 40;
// A cycle of an instrumental animation whose picture has no frame times.
constexpr int kUntimedCycleMs = 100;
// Balls from this index on spin with the clock; the others only squash on landing.
constexpr int kFirstSpinningBall = 30;
// Frames used from the rolling ball's column, each shown twice.
constexpr int kRollingBallFrames = 15;

bool IsGifName(const QString& fileName) {
    return PictureExtension(fileName).compare(".GIF", Qt::CaseInsensitive) == 0;
}

// A file of its own in the temporary folder for one animated picture held in memory.
QString TemporaryPictureName(const QString& fileName) {
    static std::atomic<int> counter{0};
    return QDir::tempPath() + "/~lyrimo-temp" + TimeStampText() + QString::number(TickCount()) + "-" +
           QString::number(counter++) + PictureExtension(fileName);
}

// The animated loader reads files only; bytes held in memory go through a temporary
// file that is removed whatever happens.
bool LoadGifBytes(const QByteArray& bytes, const QString& fileName, tEasyAnimatedGif& gif) {
    QFile file(TemporaryPictureName(fileName));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    bool written = file.write(bytes) == bytes.size();
    file.close();
    bool loaded = written && gif.LoadFile(file.fileName());
    file.remove();
    return loaded;
}

// The true bounce: a parabola 1 - (1 - t)² over the fraction t of the way from a
// touch-down to the apex, sampled in 256 steps.
const std::array<double, 257>& TrueBounceTable() {
    static const std::array<double, 257> table = [] {
        std::array<double, 257> t{};
        for (int i = 0; i <= 256; ++i)
            t[size_t(256 - i)] = 1.0 - double(i * i) / 65536.0;
        return t;
    }();
    return table;
}

double ArcShape(double a, bool trueBounce) {
    if (!trueBounce)
        return std::sin(a);
    constexpr double halfPi = std::numbers::pi / 2;
    double folded = a <= halfPi ? a : std::numbers::pi - a;
    double k = std::clamp(std::trunc(folded / halfPi * 256.0), 0.0, 256.0);
    return TrueBounceTable()[size_t(k)];
}

} // namespace

int64_t AnimationNow() { return animationClock ? animationClock() : TickCount(); }

void SetAnimationClock(int64_t (*clock)()) { animationClock = clock; }

// ---- tSingleAnimation

tSingleAnimation::tSingleAnimation(tPixelFormat format) : Strip(1, 1, format), format_(format) {}

void tSingleAnimation::SetPixelFormat(tPixelFormat format) {
    format_ = format;
    Strip.SetFormat(format);
}

tSingleAnimation::~tSingleAnimation() = default;

void tSingleAnimation::Reset() {
    Shape.reset();
    Strip = Bitmap();
    FrameCount = 0;
    FrameWidth = 0;
    TimeAnimated = true;
    FrameEnds.clear();
}

void tSingleAnimation::RecomputeFrameWidth() {
    FrameWidth = FrameCount > 0 ? Strip.Width() / FrameCount : Strip.Width();
}

void tSingleAnimation::Finish(tColour transparentColour, int frameCount, bool buildShape) {
    TransparentColour = transparentColour;
    FrameCount = frameCount;
    RecomputeFrameWidth();
    if (buildShape)
        BuildShape();
    TimeAnimated = true;
}

bool tSingleAnimation::LoadPicture(const QString& fileName, const QByteArray* bytes) {
    if (IsGifName(fileName)) {
        tEasyAnimatedGif gif;
        bool loaded = bytes ? LoadGifBytes(*bytes, fileName, gif) : gif.LoadFile(fileName);
        if (loaded && !gif.Strip.IsEmpty()) {
            Strip = std::move(gif.Strip);
            Strip.SetFormat(format_);
            FrameEnds = std::move(gif.FrameEnds);
            return true;
        }
    }
    Bitmap picture;
    bool decoded = bytes ? DecodePicture(*bytes, fileName, picture, format_)
                         : LoadPictureFile(fileName, picture, format_);
    if (!decoded || picture.IsEmpty())
        return false;
    Strip = std::move(picture);
    return true;
}

bool tSingleAnimation::LoadFromFile(const QString& fileName, tColour transparentColour, bool buildShape,
                                    int frameCount) {
    Reset();
    TotalDuration = 1;
    if (!LoadPicture(fileName, nullptr))
        return false;
    if (!FrameEnds.empty())
        TotalDuration = FrameEnds.back();
    Finish(transparentColour, frameCount, buildShape);
    return true;
}

bool tSingleAnimation::LoadFromStream(const QByteArray& bytes, const QString& fileName, bool buildShape,
                                      int frameCount, tColour transparentColour) {
    Reset();
    // No cycle length: the frames step every 40 ms whatever times the picture carries
    // (a cycle of 1 ms would freeze an animated ball on its first frame).
    TotalDuration = 0;
    // An empty buffer means the song holds no picture ("No file loaded in memory"):
    // the animation simply stays empty.
    if (bytes.isEmpty())
        return false;
    if (!LoadPicture(fileName, &bytes))
        return false;
    Finish(transparentColour, frameCount, buildShape);
    return true;
}

void tSingleAnimation::SetFrameCount(int n) {
    FrameCount = n;
    RecomputeFrameWidth();
    BuildShape();
}

void tSingleAnimation::BuildShape() {
    Shape.reset();
    FrameCount = std::max(FrameCount, 1);
    Shape = RegionOfNonKeyPixels(Strip, TransparentColour, format_);
}

int tSingleAnimation::FrameAt(int64_t ms) const {
    if (FrameCount <= 0)
        return 0;
    if (TotalDuration > 0 && !FrameEnds.empty()) {
        int64_t t = ms % TotalDuration;
        if (t < 0)
            t += TotalDuration;
        for (size_t i = 0; i < FrameEnds.size(); ++i) {
            if (FrameEnds[i] > t)
                return int(i);
        }
        return 0;
    }
    int64_t step = ms / kFrameStepMs % FrameCount;
    return int(step < 0 ? step + FrameCount : step);
}

void tSingleAnimation::DrawFrameAt(int frame, Bitmap& destination, bool transparent, int y, int x) const {
    if (Strip.IsEmpty() || FrameWidth <= 0)
        return;
    // Frames past the end (a picture with more frame times than frames) show the last.
    frame = std::clamp(frame, 0, std::max(FrameCount - 1, 0));
    const int left = frame * FrameWidth;
    if (!transparent) {
        destination.CopyRect(Strip, left, 0, FrameWidth, Strip.Height(), x, y);
        return;
    }
    const tMyRect cell{left, 0, left + FrameWidth, Strip.Height()};
    if (Strip.Format() == destination.Format()) {
        // Only reads the strip: the copy converts nothing when the formats agree.
        BlendCopy(const_cast<Bitmap&>(Strip), destination, cell, TransparentColour, 255, y, x);
        return;
    }
    Bitmap piece(FrameWidth, Strip.Height(), destination.Format());
    piece.CopyRect(Strip, left, 0, FrameWidth, Strip.Height(), 0, 0);
    BlendCopy(piece, destination, {0, 0, FrameWidth, Strip.Height()}, TransparentColour, 255, y, x);
}

int tSingleAnimation::Draw(Bitmap& destination, int x, bool forward, bool bouncing, bool animating,
                           bool transparent, int groundY, int& y) const {
    if (FrameCount <= 0)
        return 0;
    int frame = 0;
    if (animating)
        frame = FrameAt(AnimationNow());
    if (!forward)
        frame = FrameCount - frame - 1;
    if (!TimeAnimated)
        frame = 0;
    if (!bouncing)
        y = groundY;
    if (!TimeAnimated) {
        // Landing squash: frame 2 within 2 pixels of the ground, 1 within 5, 0 within 8.
        int d = groundY - y;
        if (d < 9 && animating)
            frame = bouncing ? std::min(2, 2 - d / 3) : 0;
    }
    // Frame times may name more frames than the strip holds; the shape the caller asks
    // for with the result must be that of the frame drawn.
    frame = std::clamp(frame, 0, FrameCount - 1);
    DrawFrameAt(frame, destination, transparent, y, x);
    return frame;
}

void tSingleAnimation::FrameShape(int frame, tRegion& region) const {
    if (FrameCount <= 0 || FrameWidth <= 0)
        return;
    frame = frame < 0 ? 0 : frame % FrameCount;
    const tMyRect cell{frame * FrameWidth, 0, (frame + 1) * FrameWidth, Strip.Height()};
    if (Shape) {
        region = *Shape;
        region.Intersect(cell);
        region.Translate(-cell.Left, 0);
        return;
    }
    // No shape was built: measure this frame alone.
    Bitmap piece(FrameWidth, Strip.Height(), format_);
    piece.CopyRect(Strip, cell.Left, 0, FrameWidth, Strip.Height(), 0, 0);
    region = RegionOfNonKeyPixels(piece, TransparentColour, format_);
}

void tSingleAnimation::ReplaceColour(tColour colour) {
    const tPixelFormat format = Strip.Format();
    if (SamePixel(colour, TransparentColour, format))
        return;
    tColour replacement = NearColour(colour, false, format);
    if (SamePixel(replacement, TransparentColour, format))
        replacement = NearColour(colour, true, format);
    lyrimo::ReplaceColour(Strip, colour, replacement);
}

// ---- tBouncingBall

void tBouncingBall::LoadBuiltIn(int index, bool buildShape) {
    Reset();
    TimeAnimated = index >= kFirstSpinningBall;
    TransparentColour = 0;
    // Which picture rows make the strip's frames, left to right.
    std::vector<int> rows;
    if (index >= 0 && index < kSimpleBallCount) {
        rows = {0, 1, 2, 1}; // squash down and back up
    } else if (index >= kAnimatedBallFirst && index < kRollingBall) {
        for (int row = 0; row < BuiltInBallFrameRows(index); ++row)
            rows.push_back(row);
    } else if (index == kRollingBall) {
        for (int row = 0; row < kRollingBallFrames; ++row)
            rows.insert(rows.end(), {row, row});
    }
    if (rows.empty()) {
        FrameCount = 15; // no picture: an invisible ball
        RecomputeFrameWidth();
        return;
    }
    Strip = Bitmap(kBallCellSize * int(rows.size()), kBallCellSize, format_);
    for (size_t i = 0; i < rows.size(); ++i) {
        std::optional<tBallCell> cell = BuiltInBallCell(index, rows[i]);
        if (cell)
            Strip.CopyRect(BuiltInPicture(cell->picture), cell->x, cell->y, kBallCellSize, kBallCellSize,
                           int(i) * kBallCellSize, 0);
    }
    FrameCount = int(rows.size());
    RecomputeFrameWidth();
    if (buildShape)
        BuildShape();
}

// ---- tInstrumentalAnimation

void tInstrumentalAnimation::TakeCycleFromFrameTimes() {
    TotalDuration = FrameEnds.empty() ? kUntimedCycleMs : FrameEnds.back();
    TimeAnimated = true;
}

bool tInstrumentalAnimation::LoadFromFile(const QString& fileName, tColour transparentColour, bool buildShape,
                                          int frameCount) {
    bool loaded = tSingleAnimation::LoadFromFile(fileName, transparentColour, buildShape, frameCount);
    TakeCycleFromFrameTimes();
    return loaded;
}

bool tInstrumentalAnimation::LoadFromStream(const QByteArray& bytes, const QString& fileName, bool buildShape,
                                            int frameCount, tColour transparentColour) {
    bool loaded =
        tSingleAnimation::LoadFromStream(bytes, fileName, buildShape, frameCount, transparentColour);
    TakeCycleFromFrameTimes();
    return loaded;
}

void tInstrumentalAnimation::LoadBuiltIn(int index, bool buildShape) {
    Reset();
    std::optional<tBuiltInPicture> which = InstrumentPicture(index);
    if (!which)
        return;
    const Bitmap& picture = BuiltInPicture(*which);
    const int sourceFrames = InstrumentFrameCount(index);
    const int frameWidth = LayoutOf(*which).frameWidth;
    if (picture.IsEmpty() || sourceFrames <= 0)
        return;
    // Every picture frame is shown twice, so that at 40 ms a step each lasts 80 ms.
    Strip = Bitmap(2 * sourceFrames * frameWidth, picture.Height(), format_);
    for (int i = 0; i < sourceFrames; ++i) {
        for (int copy = 0; copy < 2; ++copy)
            Strip.CopyRect(picture, i * frameWidth, 0, frameWidth, picture.Height(),
                           (2 * i + copy) * frameWidth, 0);
    }
    FrameCount = 2 * sourceFrames;
    RecomputeFrameWidth();
    TransparentColour = Strip.Pixel(0, 0);
    TimeAnimated = true;
    if (buildShape)
        BuildShape();
}

// ---- tRealBallBounces

void tRealBallBounces::Configure(int lettersPerBounce, int bounceHeight, bool trueBounce, bool bouncing) {
    LettersPerBounce = std::max(lettersPerBounce, 3);
    BounceHeight = bounceHeight;
    TrueBounce = trueBounce;
    Bouncing = bouncing;
    LastX = -10000.0;
    LastHeight = -10000;
}

void tRealBallBounces::ComputePoints(const tUnicodeFontEngine& whole) {
    Points.clear();
    LineWidth = whole.RangeWidth(1, -1);
    LastX = -10000.0;
    LastHeight = -10000;
    const int count = whole.GlyphCount();
    const int lettersPerBounce = std::max(LettersPerBounce, 1);
    int start = 1;
    while (start <= count) {
        int end = start;
        while (end <= count && !whole.IsBreakAt(end, true, true))
            ++end;
        --end; // the glyph before the break, or the last glyph
        const int letters = end - start + 1;
        if (letters > 0) {
            // The fewest touch-downs that keep every hop within lettersPerBounce letters.
            const int n = letters / (lettersPerBounce + 1) + 1;
            const int left = whole.RangeWidth(1, start - 1);
            const int step = (whole.RangeWidth(1, end) - left) / (n + 1);
            for (int k = 1; k <= n; ++k)
                Points.push_back(left + k * step);
        }
        start = end + 2;
    }
}

int tRealBallBounces::HeightAt(double x) {
    if (std::abs(x - LastX) < 0.01)
        return LastHeight;
    LastX = x;
    if (Points.empty()) {
        LastHeight = 0;
        return 0;
    }
    // The arc [e, f] holding x.
    int i = int(Points.size()) - 1;
    while (i > 0 && !(Points[size_t(i)] < x))
        --i;
    double e, f;
    if (x <= Points.front()) { // coming down from an apex at the line's start
        e = -Points.front();
        f = Points.front();
    } else if (size_t(i) + 1 < Points.size()) {
        e = Points[size_t(i)];
        f = Points[size_t(i) + 1];
    } else { // rising toward an apex at the line's end
        e = Points.back();
        f = 2.0 * LineWidth - Points.back();
    }
    const double g = std::max(std::abs(f - e), 1.0);
    const double a = std::numbers::pi * (x - e) / g;
    if (!Bouncing)
        LastHeight = 5;
    else
        LastHeight = int(std::trunc(ArcShape(a, TrueBounce) * BounceHeight));
    return LastHeight;
}

} // namespace lyrimo
