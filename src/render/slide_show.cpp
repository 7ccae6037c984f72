#include "render/slide_show.h"

#include "picture/picture_decode.h"
#include "render/colour_rules.h"
#include "render/drawing_utils.h"
#include "render/fit_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

namespace lyrimo {
namespace {

const char* const kTransitionNames[kTransitionCount] = {
    "No Transition",
    "Cross-Fade",
    "Wipe Left",
    "Wipe Right",
    "Wipe Up",
    "Wipe Down",
    "Horizontal Blinds",
    "Vertical Blinds",
    "Waterfall",
    "Checker Board Left",
    "Checker Board Right",
    "Checker Board Up",
    "Checker Board Down",
    "Scroll Left",
    "Scroll Right",
    "Scroll Up",
    "Scroll Down",
    "Dissolve",
    "Box In",
    "Box Out",
    "Center Wipe In Horizontal",
    "Center Wipe Out Horizontal",
    "Center Wipe In Vertical",
    "Center Wipe Out Vertical",
    "Random",
};

// Truncation toward zero of a value known to be small and finite.
int Trunc(double value) { return static_cast<int>(value); }
// Rounding to nearest, halves to even.
int RoundEven(double value) { return static_cast<int>(std::nearbyint(value)); }

QString FileNameOf(const QByteArray& storedName) { return QString::fromLatin1(storedName); }

// The three images of one transition, all of one size and pixel format.
struct tFrames {
    const Bitmap& Old;
    const Bitmap& New;
    Bitmap& Out;
    int W;
    int H;
};

// Copies the rectangle [x0, x1) × [y0, y1) of source to the same place in out, clamped to the image.
void CopyArea(const Bitmap& source, Bitmap& out, int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, out.Width()), y1 = std::min(y1, out.Height());
    if (x1 > x0 && y1 > y0)
        out.CopyRect(source, x0, y0, x1 - x0, y1 - y0, x0, y0);
}

void CopyArea(const Bitmap& source, Bitmap& out, const tMyRect& r) {
    CopyArea(source, out, r.Left, r.Top, r.Right, r.Bottom);
}

void CopyAll(const Bitmap& source, Bitmap& out) {
    out.CopyRect(source, 0, 0, out.Width(), out.Height(), 0, 0);
}

tMyRect ClipTo(const Bitmap& image, const tMyRect& r) {
    return Intersection(r, tMyRect{0, 0, image.Width(), image.Height()});
}

// Draws area of out with inner inside box and outer around it, inner's top left lying at
// (innerX, innerY) and outer's at the origin. Every pixel is written once: the bands of outer
// around the box, then the box.
void DrawInset(const Bitmap& outer, const Bitmap& inner, int innerX, int innerY, const tMyRect& box,
               Bitmap& out, const tMyRect& area) {
    const tMyRect r = ClipTo(out, area);
    const tMyRect inside =
        Intersection(r, Intersection(box, SizedRect(innerX, innerY, inner.Width(), inner.Height())));
    if (inside.IsEmpty()) {
        CopyArea(outer, out, r);
        return;
    }
    CopyArea(outer, out, r.Left, r.Top, r.Right, inside.Top);
    CopyArea(outer, out, r.Left, inside.Top, inside.Left, inside.Bottom);
    CopyArea(outer, out, inside.Right, inside.Top, r.Right, inside.Bottom);
    CopyArea(outer, out, r.Left, inside.Bottom, r.Right, r.Bottom);
    out.CopyRect(inner, inside.Left - innerX, inside.Top - innerY, inside.Width(), inside.Height(),
                 inside.Left, inside.Top);
}

// The whole of out from two images of its size: inner inside box, outer around it.
void DrawInset(const Bitmap& outer, const Bitmap& inner, const tMyRect& box, Bitmap& out) {
    DrawInset(outer, inner, 0, 0, box, out, tMyRect{0, 0, out.Width(), out.Height()});
}

void CrossFade(const tFrames& f, double p) {
    if (f.Out.Format() == tPixelFormat::Bits16) {
        const int k = std::clamp(Trunc(63 * p), 0, 63);
        // Products for the 5-bit and 6-bit fields, looked up once per field.
        std::array<uint16_t, 64> fromOld{}, fromNew{};
        for (int v = 0; v < 64; ++v) {
            fromOld[size_t(v)] = uint16_t(v * (63 - k) / 64);
            fromNew[size_t(v)] = uint16_t(v * k / 64);
        }
        for (int y = 0; y < f.H; ++y) {
            const uint16_t* o = f.Old.Row16(y);
            const uint16_t* n = f.New.Row16(y);
            uint16_t* out = f.Out.Row16(y);
            for (int x = 0; x < f.W; ++x) {
                const unsigned a = o[x], b = n[x];
                const unsigned red = fromOld[a >> 11] + fromNew[b >> 11];
                const unsigned green = fromOld[(a >> 5) & 63] + fromNew[(b >> 5) & 63];
                const unsigned blue = fromOld[a & 31] + fromNew[b & 31];
                out[x] = uint16_t(red << 11 | green << 5 | blue);
            }
        }
        return;
    }
    // 24/32-bit pixels: every byte is a channel (the unused fourth byte is 0 and stays 0),
    // so a row is mixed as one run of bytes, which the compiler can vectorise.
    const unsigned k = unsigned(std::clamp(Trunc(255 * p), 0, 255));
    const unsigned keep = 255 - k;
    const size_t rowBytes = size_t(f.W) * 4;
    for (int y = 0; y < f.H; ++y) {
        const uint8_t* o = reinterpret_cast<const uint8_t*>(f.Old.Row32(y));
        const uint8_t* n = reinterpret_cast<const uint8_t*>(f.New.Row32(y));
        uint8_t* out = reinterpret_cast<uint8_t*>(f.Out.Row32(y));
        for (size_t i = 0; i < rowBytes; ++i)
            out[i] = uint8_t(((o[i] * keep) >> 8) + ((n[i] * k) >> 8));
    }
}

// Columns [0, a) from first, the rest from second.
void SplitColumns(const Bitmap& first, const Bitmap& second, Bitmap& out, int a) {
    CopyArea(first, out, 0, 0, a, out.Height());
    CopyArea(second, out, a, 0, out.Width(), out.Height());
}

// Rows [0, a) from first, the rest from second.
void SplitRows(const Bitmap& first, const Bitmap& second, Bitmap& out, int a) {
    CopyArea(first, out, 0, 0, out.Width(), a);
    CopyArea(second, out, 0, a, out.Width(), out.Height());
}

// Stripes of width s across the image: the first a columns (or rows) of each from the new
// picture, the rest from the old. The stripes continue to the far edge, so that images
// whose size is not a multiple of ten are covered too.
void Blinds(const tFrames& f, double p, bool alongRows) {
    const int size = alongRows ? f.H : f.W;
    const int s = std::max(size / 10, 1);
    const int a = std::clamp(Trunc(s * p), 0, s);
    for (int start = 0; start < size; start += s) {
        if (alongRows) {
            CopyArea(f.New, f.Out, 0, start, f.W, start + a);
            CopyArea(f.Old, f.Out, 0, start + a, f.W, start + s);
        } else {
            CopyArea(f.New, f.Out, start, 0, start + a, f.H);
            CopyArea(f.Old, f.Out, start + a, 0, start + s, f.H);
        }
    }
}

void Waterfall(const tFrames& f, double p) {
    if (p <= 0.000001) {
        CopyAll(f.Old, f.Out);
        return;
    }
    const int h = std::clamp(f.H - Trunc(f.H * p), 0, f.H);
    CopyArea(f.New, f.Out, 0, h, f.W, f.H);
    for (int y = 0; y < h; ++y)
        f.Out.CopyRect(f.New, 0, h - 1, f.W, 1, 0, y);
}

// A checker board of 8 × 8 cells; odd cell rows (or columns) are shifted by half a cell.
// Within each cell the first `a` columns (or rows) come from first, the rest from second.
void CheckerBoard(const tFrames& f, const Bitmap& first, const Bitmap& second, int a, bool vertical) {
    const int w = std::max(f.W / 8, 1), h = std::max(f.H / 8, 1);
    if (!vertical) {
        for (int i = 0; i * h < f.H; ++i) {
            const int top = i * h, bottom = top + h;
            const int shift = (i % 2) ? w / 2 : 0;
            for (int x = -w - shift; x < f.W; x += w) {
                CopyArea(first, f.Out, x, top, x + a, bottom);
                CopyArea(second, f.Out, x + a, top, x + w, bottom);
            }
        }
        return;
    }
    for (int i = 0; i * w < f.W; ++i) {
        const int left = i * w, right = left + w;
        const int shift = (i % 2) ? h / 2 : 0;
        for (int y = -h - shift; y < f.H; y += h) {
            CopyArea(first, f.Out, left, y, right, y + a);
            CopyArea(second, f.Out, left, y + a, right, y + h);
        }
    }
}

// The dissolve visits the cells of a 160 × 120 grid in the order 0, 20573, 2 × 20573, ...
// (mod 19200); 20573 shares no factor with 19200, so every cell comes exactly once.
constexpr int kDissolveColumns = 160, kDissolveRows = 120, kDissolveCells = kDissolveColumns * kDissolveRows;

// The step at which each cell is visited.
const std::vector<int>& DissolveOrder() {
    static const std::vector<int> order = [] {
        std::vector<int> steps(kDissolveCells);
        for (int k = 0; k < kDissolveCells; ++k)
            steps[size_t(int64_t(k) * 20573 % kDissolveCells)] = k;
        return steps;
    }();
    return order;
}

// Copying cell by cell would walk the image twice in small pieces; instead every cell row
// is split once into runs of cells from one picture, and each pixel row is copied run by run.
void Dissolve(const tFrames& f, double p) {
    const int b = std::clamp(Trunc(kDissolveCells * p), 0, kDissolveCells);
    const std::vector<int>& order = DissolveOrder();
    const size_t bytesPerPixel = f.Out.Format() == tPixelFormat::Bits16 ? 2 : 4;
    struct tRun {
        const Bitmap* Source;
        size_t Offset, Bytes;
    };
    std::vector<tRun> runs;
    for (int r = 0; r < kDissolveRows; ++r) {
        runs.clear();
        for (int c = 0; c < kDissolveColumns; ++c) {
            const Bitmap* source = order[size_t(r * kDissolveColumns + c)] <= b ? &f.New : &f.Old;
            const int x0 = int(int64_t(c) * f.W / kDissolveColumns);
            const int x1 = int(int64_t(c + 1) * f.W / kDissolveColumns);
            if (!runs.empty() && runs.back().Source == source)
                runs.back().Bytes += size_t(x1 - x0) * bytesPerPixel;
            else
                runs.push_back({source, size_t(x0) * bytesPerPixel, size_t(x1 - x0) * bytesPerPixel});
        }
        const int y0 = int(int64_t(r) * f.H / kDissolveRows), y1 = int(int64_t(r + 1) * f.H / kDissolveRows);
        for (int y = y0; y < y1; ++y) {
            uint8_t* out = f.Out.Row(y);
            for (const tRun& run : runs)
                std::memcpy(out + run.Offset, run.Source->Row(y) + run.Offset, run.Bytes);
        }
    }
}

// `inner` inside the centred box of the given half sizes (one pixel wider than twice the
// half), `outer` around it.
void Box(const tFrames& f, const Bitmap& outer, const Bitmap& inner, double fraction) {
    if (fraction <= 0.0001) {
        CopyAll(outer, f.Out);
        return;
    }
    const int cx = f.W / 2, cy = f.H / 2;
    const int hw = RoundEven((f.W / 2) * fraction), hh = RoundEven((f.H / 2) * fraction);
    DrawInset(outer, inner, tMyRect{cx - hw, cy - hh, cx + hw + 1, cy + hh + 1}, f.Out);
}

// A band of half size `half` around the middle, covering everything once the half
// reaches the middle (so odd sizes lose no edge row).
std::pair<int, int> CentredBand(int size, int half) {
    const int centre = size / 2;
    if (half >= centre)
        return {0, size};
    return {centre - half, centre + half};
}

void CentreWipe(const tFrames& f, const Bitmap& outer, const Bitmap& inner, double fraction,
                bool horizontal) {
    if (horizontal) {
        auto [top, bottom] = CentredBand(f.H, RoundEven((f.H / 2) * fraction));
        DrawInset(outer, inner, tMyRect{0, top, f.W, bottom}, f.Out);
    } else {
        auto [left, right] = CentredBand(f.W, RoundEven((f.W / 2) * fraction));
        DrawInset(outer, inner, tMyRect{left, 0, right, f.H}, f.Out);
    }
}

void Compose(const tFrames& f, int number, double p) {
    const Bitmap &O = f.Old, &N = f.New;
    Bitmap& out = f.Out;
    switch (number) {
    case kCrossFade: CrossFade(f, p); break;
    case kWipeLeft: SplitColumns(O, N, out, Trunc(f.W * (1 - p))); break;
    case kWipeRight: SplitColumns(N, O, out, Trunc(f.W * p)); break;
    case kWipeUp: SplitRows(O, N, out, Trunc(f.H * (1 - p))); break;
    case kWipeDown: SplitRows(N, O, out, Trunc(f.H * p)); break;
    case kHorizontalBlinds: Blinds(f, p, false); break;
    case kVerticalBlinds: Blinds(f, p, true); break;
    case kWaterfall: Waterfall(f, p); break;
    case kCheckerBoardLeft: CheckerBoard(f, O, N, Trunc(std::max(f.W / 8, 1) * (1 - p)), false); break;
    case kCheckerBoardRight: CheckerBoard(f, N, O, Trunc(std::max(f.W / 8, 1) * p), false); break;
    case kCheckerBoardUp: CheckerBoard(f, O, N, Trunc(std::max(f.H / 8, 1) * (1 - p)), true); break;
    case kCheckerBoardDown: CheckerBoard(f, N, O, Trunc(std::max(f.H / 8, 1) * p), true); break;
    case kScrollLeft: {
        const int a = Trunc(f.W * p);
        out.CopyRect(O, 0, 0, f.W, f.H, -a, 0);
        out.CopyRect(N, 0, 0, f.W, f.H, f.W - a, 0);
        break;
    }
    case kScrollRight: {
        const int a = Trunc(f.W * (1 - p));
        out.CopyRect(N, 0, 0, f.W, f.H, -a, 0);
        out.CopyRect(O, 0, 0, f.W, f.H, f.W - a, 0);
        break;
    }
    case kScrollUp: {
        const int a = Trunc(f.H * p);
        out.CopyRect(O, 0, 0, f.W, f.H, 0, -a);
        out.CopyRect(N, 0, 0, f.W, f.H, 0, f.H - a);
        break;
    }
    case kScrollDown: {
        const int a = Trunc(f.H * (1 - p));
        out.CopyRect(N, 0, 0, f.W, f.H, 0, -a);
        out.CopyRect(O, 0, 0, f.W, f.H, 0, f.H - a);
        break;
    }
    case kDissolve: Dissolve(f, p); break;
    case kBoxIn: Box(f, N, O, 1 - p); break;
    case kBoxOut: Box(f, O, N, p); break;
    case kCenterWipeInHorizontal: CentreWipe(f, N, O, 1 - p, true); break;
    case kCenterWipeOutHorizontal: CentreWipe(f, O, N, p, true); break;
    case kCenterWipeInVertical: CentreWipe(f, N, O, 1 - p, false); break;
    case kCenterWipeOutVertical: CentreWipe(f, O, N, p, false); break;
    default: CopyAll(p <= 0.00001 ? O : N, out); break;
    }
}

// The image in format: itself when it already is, else a converted copy.
const Bitmap& InFormat(const Bitmap& image, tPixelFormat format, std::optional<Bitmap>& converted) {
    if (image.Format() == format)
        return image;
    converted = image;
    ConvertPixelFormat(*converted, format);
    return *converted;
}

} // namespace

const char* TransitionName(int number) {
    return number >= 0 && number < kTransitionCount ? kTransitionNames[number] : "";
}

tSlideShowhandler::tSlideShowhandler(tPixelFormat format) : Random(std::random_device{}()), format_(format) {}

void tSlideShowhandler::Prepare(tLyrimoData* song, int width, tColour keyColour, bool avoidKey,
                                const tMyRect& pictureArea, int height) {
    Pictures.clear();
    Schedule.clear();
    PictureArea = pictureArea;
    Song = song;
    Settled = true;
    CurrentSlide = PreviousSlide = -1;
    HasBackground = true;
    if (!song) {
        FullScreen = Active = HasBackground = false;
        Background = Bitmap(width, height, format_);
        return;
    }
    FullScreen = song->SongSettings.FullScreenSlideShow() != 0;
    PrepareBackground(width, height, keyColour, avoidKey);
    const tSongSettings& settings = song->SongSettings;
    Active = settings.SlideShowEnabled() != 0 || settings.FullScreenSlideShow() != 0;
    if (Active)
        PreparePictures(width, height);
    BuildSchedule();
}

void tSlideShowhandler::PrepareBackground(int width, int height, tColour keyColour, bool avoidKey) {
    const tSongSettings& settings = Song->SongSettings;
    const tColour colour = tColour(settings.BackgroundColour());
    Bitmap picture;
    if (!settings.BackgroundEnabled() ||
        !DecodePicture(Song->BackgroundStream, FileNameOf(settings.BackgroundFileName()), picture, format_)) {
        // The background picture is switched off or unreadable: the plain colour stands in.
        Background = Bitmap(width, height, format_);
        Background.Fill(colour);
        HasBackground = false;
        return;
    }
    FitPicture(&picture, Background, settings.MaintainBackgroundAspect() != 0, settings.BackgroundTile() == 1,
               height, width, colour, format_);
    ConvertPixelFormat(Background, format_);
    // The overlay shows video wherever the key colour is, so the picture must not hold it.
    if (avoidKey)
        ReplaceColour(Background, keyColour, NearColour(keyColour, false, format_));
}

void tSlideShowhandler::PreparePictures(int width, int height) {
    const tSongSettings& settings = Song->SongSettings;
    const tColour colour = tColour(settings.BackgroundColour());
    const int count = Song->Pictures.Count();
    Pictures.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        const tPictureRecord record = Song->Pictures.GetPictureRecord(i);
        const QByteArray* bytes = Song->Pictures.GetPicture(i);
        Bitmap decoded;
        if (!bytes || !DecodePicture(*bytes, FileNameOf(record.FileName()), decoded, format_))
            continue;
        Bitmap& prepared = Pictures[size_t(i)];
        if (FullScreen) {
            FitPicture(&decoded, prepared, settings.MaintainBackgroundAspect() != 0, record.Tile() == 1,
                       height, width, colour, format_);
        } else {
            const int64_t areaW = PictureArea.Width(), areaH = PictureArea.Height();
            int64_t w = areaH * decoded.Width() / decoded.Height();
            int64_t h = areaH;
            if (w > areaW) {
                w = areaW;
                h = w * decoded.Height() / decoded.Width();
            }
            if (w < 1 || h < 1)
                continue;
            prepared = Bitmap(int(w), int(h), format_);
            StretchPicture(decoded, prepared, {0, 0, int(w), int(h)});
        }
        ConvertPixelFormat(prepared, format_);
    }
}

void tSlideShowhandler::BuildSchedule() {
    std::uniform_int_distribution<int> anyTransition(kCrossFade, kCenterWipeOutVertical);
    const int pictureCount = Song->Pictures.Count();
    for (int i = 0; i < Song->Slides.Count(); ++i) {
        tScheduledSlide slide;
        slide.Record = Song->Slides.GetSlide(i);
        if (slide.Record.Picture() >= pictureCount)
            continue;
        const int stored = slide.Record.Transition();
        slide.EffectiveTransition = uint8_t(stored == kRandomTransition ? anyTransition(Random) : stored);
        // Before the first slide shown later: equal times keep the song's order.
        auto later = std::upper_bound(
            Schedule.begin(), Schedule.end(), slide.Record.ShowTime(),
            [](int32_t time, const tScheduledSlide& s) { return time < s.Record.ShowTime(); });
        Schedule.insert(later, slide);
    }
}

tCurrentSlide tSlideShowhandler::CurrentSlideAt(int32_t mediaTime) const {
    tCurrentSlide current;
    if (!Active || !Song)
        return current;
    const int64_t t = int64_t(mediaTime) + Song->SongSettings.SlideShowStartOffset();
    int candidate = -1;
    for (int i = 0; i < int(Schedule.size()); ++i) {
        const tSlideRecord& slide = Schedule[size_t(i)].Record;
        if (slide.ShowTime() > t)
            break; // the schedule is ordered by show time
        candidate = slide.LeaveUntilRemoved() || slide.RemoveTime() >= t ? i : -1;
    }
    if (candidate < 0 || Schedule[size_t(candidate)].Record.Picture() >= Pictures.size())
        return current;
    const tScheduledSlide& slide = Schedule[size_t(candidate)];
    current.Position = candidate;
    current.Picture = slide.Record.Picture();
    current.Transition = slide.EffectiveTransition;
    current.Duration = int32_t(slide.Record.TransitionDuration()) * 100;
    current.ShowTime = slide.Record.ShowTime();
    return current;
}

const Bitmap& tSlideShowhandler::ImageOfSlide(int position) const {
    if (position < 0 || position >= int(Schedule.size()))
        return Background;
    const size_t picture = Schedule[size_t(position)].Record.Picture();
    if (picture >= Pictures.size() || Pictures[picture].IsEmpty())
        return Background;
    return Pictures[picture];
}

bool tSlideShowhandler::DrawLayer(Bitmap& frame, int32_t mediaTime, tColour backgroundColour) {
    const bool changed = UpdateLayer(mediaTime);
    DrawWholeLayer(frame, backgroundColour);
    return changed;
}

bool tSlideShowhandler::UpdateLayer(int32_t mediaTime) {
    const tCurrentSlide current = CurrentSlideAt(mediaTime);
    bool changed = false;
    if (current.Position != CurrentSlide) {
        PreviousSlide = CurrentSlide;
        CurrentSlide = current.Position;
        Settled = false;
        changed = true;
    }
    shownPicture_ = current.Picture;
    inTransition_ = false;
    if (CurrentSlide < 0 || !FullScreen)
        return changed;

    double progress = 1.0;
    if (current.Duration >= 1) {
        const int64_t t = int64_t(mediaTime) + Song->SongSettings.SlideShowStartOffset();
        progress = std::clamp(double(t - current.ShowTime) / current.Duration, 0.0, 1.0);
    }
    if (progress < 0.999999999) {
        inTransition_ = true;
        transitionNumber_ = current.Transition;
        transitionProgress_ = progress;
        Settled = false;
        return true;
    }
    const bool firstTime = !Settled;
    Settled = true;
    return firstTime;
}

void tSlideShowhandler::DrawWholeLayer(Bitmap& frame, tColour backgroundColour) const {
    if (inTransition_) {
        Transition(ImageOfSlide(PreviousSlide), ImageOfSlide(CurrentSlide), frame, transitionNumber_,
                   transitionProgress_, format_);
        return;
    }
    DrawLayerArea(frame, tMyRect{0, 0, frame.Width(), frame.Height()}, backgroundColour);
}

void tSlideShowhandler::DrawLayerArea(Bitmap& frame, const tMyRect& area, tColour backgroundColour) const {
    if (inTransition_) {
        DrawWholeLayer(frame, backgroundColour);
        return;
    }
    const tMyRect r = ClipTo(frame, area);
    if (r.IsEmpty())
        return;
    if (CurrentSlide < 0) {
        if (HasBackground)
            CopyArea(Background, frame, r);
        else
            frame.FillRect(r.Left, r.Top, r.Width(), r.Height(), backgroundColour);
        return;
    }
    if (FullScreen) {
        CopyArea(ImageOfSlide(CurrentSlide), frame, r);
        return;
    }
    const Bitmap& picture = Pictures[size_t(shownPicture_)];
    if (picture.IsEmpty()) {
        CopyArea(Background, frame, r);
        return;
    }
    const int x = PictureArea.Left + (PictureArea.Right - PictureArea.Left) / 2 - picture.Width() / 2;
    const int y = PictureArea.Top + (PictureArea.Bottom - PictureArea.Top) / 2 - picture.Height() / 2;
    DrawInset(Background, picture, x, y, SizedRect(x, y, picture.Width(), picture.Height()), frame, r);
}

void tSlideShowhandler::Transition(const Bitmap& oldImage, const Bitmap& newImage, Bitmap& out, int number,
                                   double progress, tPixelFormat format) {
    const int w = out.Width(), h = out.Height();
    if (oldImage.Width() != w || newImage.Width() != w || oldImage.Height() != h || newImage.Height() != h)
        return;
    if (std::isnan(progress))
        progress = 0;
    progress = std::clamp(progress, 0.0, 1.0);
    std::optional<Bitmap> oldConverted, newConverted;
    const Bitmap& O = InFormat(oldImage, format, oldConverted);
    const Bitmap& N = InFormat(newImage, format, newConverted);
    // Every transition writes every pixel, so the frame's old contents need no conversion.
    if (out.Format() != format)
        out = Bitmap(w, h, format);
    if (out.IsEmpty())
        return;
    Compose({O, N, out, w, h}, number, progress);
}

} // namespace lyrimo
