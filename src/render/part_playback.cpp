#include "render/part_playback.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "document/song.h"
#include "render/animations.h"
#include "render/line_renderer.h"
#include "render/region.h"

#include <algorithm>
#include <cmath>

namespace lyrimo {

namespace {

// The animation placement that sits still in the middle of the block, which needs no room to
// scroll in and out.
constexpr uint8_t kPlacementCentred = 5;
constexpr uint8_t kPlacementScrolls = 16;

// Backing shapes behind lyrics drawn over video: margin from the window edges and corner size.
constexpr int kBackingInset = 15;
constexpr int kBackingCorner = 30;

int EarlyTime() { return std::max(100, Settings().Early); }

// A rectangle with rounded corners, the corners being quarter ellipses of corner × corner.
tRegion RoundedRectRegion(const tMyRect& rect, int corner) {
    tRegion region;
    if (rect.IsEmpty())
        return region;
    const int radiusX = std::min(corner / 2, rect.Width() / 2);
    const int radiusY = std::min(corner / 2, rect.Height() / 2);
    if (radiusX <= 0 || radiusY <= 0) {
        region.Unite(rect);
        return region;
    }
    region.Unite(tMyRect{rect.Left, rect.Top + radiusY, rect.Right, rect.Bottom - radiusY});
    for (int row = 0; row < radiusY; ++row) {
        // Distance of the row's centre from the ellipse's centre, in units of the radius.
        const double dy = (radiusY - row - 0.5) / radiusY;
        const int inset = radiusX - int(std::lround(radiusX * std::sqrt(std::max(0.0, 1.0 - dy * dy))));
        region.Unite(tMyRect{rect.Left + inset, rect.Top + row, rect.Right - inset, rect.Top + row + 1});
        region.Unite(
            tMyRect{rect.Left + inset, rect.Bottom - row - 1, rect.Right - inset, rect.Bottom - row});
    }
    return region;
}

// Draws a neighbouring line; alpha 0 or less draws nothing, above 255 counts as 255.
void DrawNeighbour(tLyricsPlayback& renderer, Bitmap& frame, int32_t time, int alpha, tChangesList* changes,
                   int clipHeight, int top, tRegion* region, bool highlight) {
    if (alpha <= 0)
        return;
    // A line that was sung keeps its sung look while it fades, but its ball stays behind at the
    // line's end and must not be drawn beside the ball of the line being sung.
    const bool ball = renderer.BallEnabled;
    renderer.BallEnabled = false;
    renderer.DrawFrame(frame, time, std::min(alpha, 255), changes, clipHeight, top, region, highlight);
    renderer.BallEnabled = ball;
}

} // namespace

tLyricslinePlayback::tLyricslinePlayback(tLyrimoData* song, bool animationsAllowed, bool buildShapes,
                                         int windowHeight, int blockHeight, int windowWidth, int blockTop,
                                         int partIndex)
    : Song(song), PartIndex(partIndex), WindowWidth(windowWidth), BlockHeight(blockHeight),
      BlockTop(blockTop), WindowHeight(windowHeight), AnimationsAllowed(animationsAllowed) {
    if (AnimationsAllowed)
        LoadAnimation(buildShapes);

    CurrentRenderer = std::make_unique<tLyricsPlayback>();
    NextRenderer = std::make_unique<tLyricsPlayback>();
    PreviousRenderer = std::make_unique<tLyricsPlayback>();
    Mode = linemode::Single;

    tLyricsData* part = Song ? Song->GetPart(PartIndex) : nullptr;
    if (!part)
        return; // nothing to show: every line index is outside the part
    LyricsPosition = part->PartExtras.LyricsPosition();

    int alignment = 0;
    bool halfSize = false;
    bool blend = false;
    ChooseMode(alignment, halfSize, blend);
    if (Mode == linemode::MultiLine)
        ComputeSlotHeights();
    CurrentAtBottom = !FirstLineTop;

    const bool noHighlight = !AnimationsAllowed;
    for (tLyricsPlayback* renderer : {CurrentRenderer.get(), PreviousRenderer.get()})
        renderer->Setup(Song, PartIndex, buildShapes, false, false, blend, halfSize, alignment, false,
                        noHighlight, WindowHeight, BlockHeight, WindowWidth);
    NextRenderer->Setup(Song, PartIndex, buildShapes, false, Fade, blend, halfSize, alignment,
                        Mode == linemode::Preview, true, WindowHeight, BlockHeight, WindowWidth);

    ScheduleAnimation(-1);
}

tLyricslinePlayback::~tLyricslinePlayback() = default;

void tLyricslinePlayback::LoadAnimation(bool buildShapes) {
    tLyricsData* part = Song ? Song->GetPart(PartIndex) : nullptr;
    if (!part)
        return;
    const tPictureSlot& slot = part->Slots[kAnimationSlot];
    const int builtIn = part->PartExtras.InstrumentalAnimation();
    try {
        if (slot.Record.Enabled()) {
            auto animation = std::make_unique<tInstrumentalAnimation>();
            const QString fileName = FromSystemCodePage(slot.Record.FileName());
            if (animation->LoadFromStream(slot.Bytes, fileName, buildShapes, slot.Record.FrameCount(),
                                          tColour(slot.Record.TransparentColour())))
                Animation = std::move(animation);
        } else if (builtIn >= 1 && builtIn <= 4) {
            auto animation = std::make_unique<tInstrumentalAnimation>();
            animation->LoadBuiltIn(builtIn - 1, buildShapes);
            Animation = std::move(animation);
        }
    } catch (...) {
        Animation.reset(); // a part whose animation cannot be loaded simply has none
    }
}

void tLyricslinePlayback::ChooseMode(int& alignment, bool& halfSize, bool& blend) {
    const tSongSettings& song = Song->SongSettings;
    const tSettingsClass& settings = Settings();
    switch (song.MultiLineMode()) {
    case 0:
        if (!settings.MultiLineDisplay) {
            Mode = linemode::Single;
        } else if (settings.Enabled) {
            Mode = linemode::Preview;
            PreviewBelow = settings.PrevDefPos;
            alignment = settings.PrevAlign;
            halfSize = settings.HalfSize;
            blend = settings.BlendBG;
        } else {
            Mode = linemode::MultiLine;
            FirstLineTop = settings.FLTL;
            Fade = settings.FadeinPreview;
        }
        break;
    case 2:
        Mode = linemode::Preview;
        PreviewBelow = song.PreviewBelow() != 0;
        alignment = song.PreviewAlign();
        halfSize = song.PreviewHalfSize() != 0;
        blend = song.PreviewBlend() != 0;
        break;
    case 3:
        Mode = linemode::MultiLine;
        FirstLineTop = song.FirstLineTop() != 0;
        Fade = song.PreviewFadeIn() != 0;
        break;
    default: Mode = linemode::Single; break;
    }
    PreviewHalfSize = Mode == linemode::Preview && halfSize;
}

// The two slots are as high as the highest line that goes into each. Lines alternate between
// the slots, and every verse (the lines after an untimed line) starts again in the slot of the
// first line. Lines in the top slot need room for the ball above them.
void tLyricslinePlayback::ComputeSlotHeights() {
    tLyricsPlayback& measure = *CurrentRenderer;
    measure.Setup(Song, PartIndex, false, true, false, false, false, 1, false, !AnimationsAllowed,
                  WindowHeight, BlockHeight, WindowWidth);
    int top = 0;
    int bottom = 0;
    // The slot flag means "in the bottom slot", as CurrentAtBottom does for the shown line.
    bool inBottom = !FirstLineTop;
    for (int i = 0; i < LineCount(); ++i) {
        measure.PrepareLine(i, false, 0, false);
        if (inBottom)
            bottom = std::max(bottom, int(measure.TextHeight));
        else
            top = std::max(top, int(measure.TextHeight + measure.BallSpace));
        inBottom = LineHasTimings(i) ? !inBottom : !FirstLineTop;
    }
    if (top + bottom > BlockHeight && top + bottom > 0) {
        const int64_t sum = int64_t(top) + bottom;
        top = int(int64_t(top) * BlockHeight / sum);
        bottom = int(int64_t(bottom) * BlockHeight / sum);
    }
    TopSlotHeight = top;
    BottomSlotHeight = bottom;
}

int tLyricslinePlayback::LineCount() const {
    const tLyricsData* part = Song ? Song->GetPart(PartIndex) : nullptr;
    return part ? part->LineCount() : 0;
}

bool tLyricslinePlayback::LineHasTimings(int index) const {
    const tLyricsData* part = Song ? Song->GetPart(PartIndex) : nullptr;
    const tTimingsLineType* line = part ? part->GetLine(index) : nullptr;
    return line && line->TimingCount() > 0;
}

void tLyricslinePlayback::SetLine(int index, bool wantRegions, tColour keyColour, bool transparentMode) {
    CurrentIndex = index;
    const int count = LineCount();
    if (Mode == linemode::MultiLine && Fade && CurrentShown) {
        // The old current line keeps its images and fades out as the previous line.
        std::swap(CurrentRenderer, PreviousRenderer);
        PreviousShown = true;
    } else {
        PreviousShown = false;
    }

    const bool isLine = index >= 0 && index < count;
    if (isLine)
        CurrentRenderer->PrepareLine(index, wantRegions, keyColour, transparentMode);
    CurrentShown = isLine && LineHasTimings(index);

    const bool nextIsLine = index + 1 >= 0 && index + 1 < count;
    if (nextIsLine && Mode != linemode::Single) {
        NextRenderer->PrepareLine(index + 1, wantRegions, keyColour, transparentMode);
        NextShown = LineHasTimings(index + 1);
    } else {
        NextShown = false;
    }

    FirstLine = index == 0;
    AfterGap = index > 0 && index < count && !LineHasTimings(index - 1);
    if (FirstLine || AfterGap)
        CurrentAtBottom = !FirstLineTop;
    else
        CurrentAtBottom = !CurrentAtBottom;
}

bool tLyricslinePlayback::CurrentLineVisible(int32_t partTime) const {
    const tLyricsData* part = Song ? Song->GetPart(PartIndex) : nullptr;
    const tTimingsLineType* line = part ? part->GetLine(CurrentIndex) : nullptr;
    if (!line)
        return true;
    const bool early = int64_t(partTime) + EarlyTime() >= line->LineRecord.LineStart();
    if (CurrentIndex == 0)
        return Settings().ShowFirstLine || early;
    if (AfterGap)
        return early;
    return true;
}

int32_t tLyricslinePlayback::NextLineToShow() const {
    int next = CurrentIndex + 1;
    if (Settings().SkipBlankLines) {
        while (next < LineCount() && !LineHasTimings(next))
            ++next;
    }
    return next;
}

int32_t tLyricslinePlayback::DrawFrame(Bitmap& frame, tRegion* region, tChangesList& changes,
                                       int32_t mediaTime) {
    const tLyricsData* part = Song ? Song->GetPart(PartIndex) : nullptr;
    const int32_t t = part ? part->PartTime(mediaTime) : mediaTime;
    if (AnimationActive && AnimationEnd < t)
        AnimationActive = false;

    int32_t result = CurrentIndex;
    const int count = LineCount();
    if (CurrentLineVisible(t)) {
        bool finished = false;
        switch (Mode) {
        case linemode::Preview: finished = DrawPreview(frame, region, changes, t); break;
        case linemode::MultiLine: finished = DrawMultiLine(frame, region, changes, t); break;
        default: finished = DrawSingle(frame, region, changes, t); break;
        }
        if (CurrentIndex >= count) {
            // The lyrics are gone (removed at the song's end, or the part has none): nothing follows.
        } else if (finished && CurrentIndex == count - 1) {
            result = Settings().RemoveLyricsAtSongEnd ? CurrentIndex + 1 : CurrentIndex;
            ScheduleAnimation(CurrentIndex);
        } else if (finished) {
            ScheduleAnimation(CurrentIndex);
            result = NextLineToShow();
        }
    }
    DrawAnimation(frame, region, changes, t);
    return result;
}

bool tLyricslinePlayback::BackingShapes(const tRegion* region) const {
    return region && !Song->SongSettings.CutoutText();
}

void tLyricslinePlayback::AddBacking(tRegion* region, tChangesList& changes, const tMyRect& rect,
                                     int corner) {
    region->Unite(RoundedRectRegion(rect, corner));
    changes.Add(rect);
}

bool tLyricslinePlayback::DrawSingle(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t t) {
    if (!CurrentShown)
        return true; // lines without timings are passed over
    tLyricsPlayback& current = *CurrentRenderer;
    const int h = std::min(current.TextHeight + current.BallSpace, BlockHeight);
    int y = BlockTop + BlockHeight / 2 - h / 2;
    if (LyricsPosition == linepos::Top)
        y = BlockTop;
    else if (LyricsPosition == linepos::Bottom)
        y = BlockTop + BlockHeight - h;

    tChangesList* rendererChanges = &changes;
    if (BackingShapes(region)) {
        if (LyricsPosition == linepos::Top)
            y += 30;
        else if (LyricsPosition == linepos::Bottom)
            y -= 30;
        AddBacking(
            region, changes,
            tMyRect{kBackingInset, y - kBackingInset, WindowWidth - kBackingInset, y + h + kBackingInset},
            kBackingCorner);
        rendererChanges = nullptr;
    }
    return current.DrawFrame(frame, t, 255, rendererChanges, h, y + current.BallSpace, region, true);
}

bool tLyricslinePlayback::DrawPreview(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t t) {
    tLyricsPlayback& next = *NextRenderer;
    const int h2 = std::min(next.TextHeight, BlockHeight);
    const bool finished = DrawSingle(frame, region, changes, t);
    if (!NextShown || CurrentRenderer->TextHeight <= 0)
        return finished;

    bool below = PreviewBelow;
    if (LyricsPosition == linepos::Bottom)
        below = false;
    else if (LyricsPosition == linepos::Top)
        below = true;
    int y2 = below ? BlockTop + BlockHeight - h2 : BlockTop;

    tChangesList* rendererChanges = &changes;
    if (BackingShapes(region)) {
        const int w = PreviewHalfSize ? 15 : 30;
        y2 += below ? -w : w;
        AddBacking(region, changes,
                   tMyRect{kBackingInset, y2 - w / 2, WindowWidth - kBackingInset, y2 + w / 2 + h2}, w);
        rendererChanges = nullptr;
    }
    next.DrawFrame(frame, 0, 255, rendererChanges, h2, y2, region, false);
    return finished;
}

tLyricslinePlayback::tFadeAlphas tLyricslinePlayback::FadeAlphas(int32_t partTime) const {
    tFadeAlphas alphas;
    if (!Fade)
        return alphas;
    const tSongSettings& song = Song->SongSettings;
    if (song.CutoutText() && song.FullScreenVideo())
        return alphas;
    const tLyricsData* part = Song->GetPart(PartIndex);
    const tTimingsLineType* line = part ? part->GetLine(CurrentIndex) : nullptr;
    if (!line)
        return alphas;
    const int64_t s = line->LineRecord.LineStart();
    const int64_t e = line->TimingCount() > 0 ? s + line->Timings().back().Delta() : s;
    const int64_t m = s + (e - s) / 2;
    int64_t next = 255;
    if (e - m > 0)
        next = std::clamp<int64_t>((partTime - m) * 256 / (e - m), -256, 256);
    alphas.next = int(next);
    alphas.previous = int(-next);
    return alphas;
}

bool tLyricslinePlayback::DrawMultiLine(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t t) {
    const bool backing = BackingShapes(region);
    int y = BlockHeight / 2 + BlockTop - (TopSlotHeight + BottomSlotHeight) / 2 + TopSlotHeight;
    if (LyricsPosition == linepos::Top)
        y = BlockTop + TopSlotHeight;
    else if (LyricsPosition == linepos::Bottom)
        y = BlockTop + BlockHeight - BottomSlotHeight;
    if (backing) {
        if (LyricsPosition == linepos::Top)
            y += 30;
        else if (LyricsPosition == linepos::Bottom)
            y -= 30;
    }
    tChangesList* rendererChanges = backing ? nullptr : &changes;
    const tFadeAlphas alphas = FadeAlphas(t);
    tLyricsPlayback& current = *CurrentRenderer;
    tLyricsPlayback& next = *NextRenderer;
    tLyricsPlayback& previous = *PreviousRenderer;
    const bool drawNext = NextShown && alphas.next > 0;
    const bool drawPrevious = PreviousShown && alphas.previous > 0;

    bool finished = true;
    int extentTop = y;
    int extentBottom = y;
    if (CurrentAtBottom) {
        if (CurrentShown) {
            if (drawNext) {
                const int d = std::min(next.TextHeight, TopSlotHeight);
                DrawNeighbour(next, frame, 0, alphas.next, rendererChanges, d, y - d, region, false);
                extentTop = std::min(extentTop, y - d);
            }
            if (drawPrevious) {
                const int d = std::min(previous.TextHeight, TopSlotHeight);
                DrawNeighbour(previous, frame, t, alphas.previous, rendererChanges, d, y - d, region, true);
                extentTop = std::min(extentTop, y - d);
            }
            const int clip = std::min(current.TextHeight, BottomSlotHeight);
            finished = current.DrawFrame(frame, t, 255, rendererChanges, clip, y, region, true);
            extentTop = std::min(extentTop, y - current.BallSpace);
            extentBottom = y + clip;
        }
    } else if (CurrentShown) {
        const int d = std::min(current.TextHeight, TopSlotHeight);
        finished = current.DrawFrame(frame, t, 255, rendererChanges, d, y - d, region, true);
        extentTop = y - d - current.BallSpace;
        if (drawNext) {
            const int clip = std::min(next.TextHeight, BottomSlotHeight);
            DrawNeighbour(next, frame, 0, alphas.next, rendererChanges, clip, y, region, false);
            extentBottom = std::max(extentBottom, y + clip);
        }
        if (drawPrevious) {
            const int clip = std::min(previous.TextHeight, BottomSlotHeight);
            DrawNeighbour(previous, frame, t, alphas.previous, rendererChanges, clip, y, region, true);
            extentBottom = std::max(extentBottom, y + clip);
        }
    }
    if (backing && extentTop != extentBottom)
        AddBacking(region, changes,
                   tMyRect{kBackingInset, extentTop - kBackingInset, WindowWidth - kBackingInset,
                           extentBottom + kBackingInset},
                   kBackingCorner);
    return finished;
}

void tLyricslinePlayback::ScheduleAnimation(int line) {
    if (!Animation || AnimationActive)
        return;
    const tLyricsData* part = Song ? Song->GetPart(PartIndex) : nullptr;
    if (!part)
        return;
    const tSettingsClass& settings = Settings();
    const int n = part->LineCount();
    int k = -1;
    int64_t start = settings.LeadIN;
    if (line >= 0 && n > 0) {
        k = std::min(line, n - 1);
        const tTimingsLineType* sung = part->GetLine(k);
        start = int64_t(sung->LineRecord.LineStart()) + settings.LeadIN + 1;
        if (sung->TimingCount() > 0)
            start += sung->Timings().back().Delta();
        if (LineHasTimings(k + 1))
            return; // the animation only fills a blank stretch
    }

    int64_t end = start + 1000000;
    for (int i = k + 1; i < n; ++i) {
        if (LineHasTimings(i)) {
            end = int64_t(part->GetLine(i)->LineRecord.LineStart()) - settings.LeadOut - EarlyTime() - 1;
            break;
        }
    }

    const uint8_t placement = part->Slots[kAnimationSlot].Record.Placement();
    const int64_t gap =
        (placement == kPlacementCentred ? 0 : 2 * int64_t(settings.ScrollTime)) + settings.MinTimePlay;
    if (start <= 0 || end <= 0 || end - start <= gap)
        return;

    const int fw = Animation->FrameWidth;
    const int fh = Animation->Height();
    switch (placement & 3) {
    case 0: AnimationX0 = -fw, AnimationX1 = 0; break;
    case 2: AnimationX0 = WindowWidth, AnimationX1 = WindowWidth - fw; break;
    default: AnimationX0 = AnimationX1 = WindowWidth / 2 - fw / 2; break;
    }
    // Vertical positions are kept inside this part's block, so that every part's animation shows
    // beside its own lyrics.
    switch ((placement >> 2) & 3) {
    case 0: AnimationY0 = BlockTop - fh, AnimationY1 = BlockTop; break;
    case 2: AnimationY0 = BlockTop + BlockHeight, AnimationY1 = BlockTop + BlockHeight - fh; break;
    default: AnimationY0 = AnimationY1 = BlockTop + BlockHeight / 2 - fh / 2; break;
    }
    if (!(placement & kPlacementScrolls)) {
        AnimationX0 = AnimationX1;
        AnimationY0 = AnimationY1;
    }
    AnimationStart = int32_t(std::clamp<int64_t>(start, INT32_MIN, INT32_MAX));
    AnimationEnd = int32_t(std::clamp<int64_t>(end, INT32_MIN, INT32_MAX));
    AnimationActive = true;
}

void tLyricslinePlayback::DrawAnimation(Bitmap& frame, tRegion* region, tChangesList& changes, int32_t t) {
    if (!Animation || !AnimationActive || AnimationStart >= t)
        return;
    const tLyricsData* part = Song->GetPart(PartIndex);
    const uint8_t placement = part ? part->Slots[kAnimationSlot].Record.Placement() : kPlacementCentred;
    const int64_t scroll = placement == kPlacementCentred ? 0 : Settings().ScrollTime;
    double r = 1.0;
    if (scroll > 0) {
        if (int64_t(t) - AnimationStart < scroll)
            r = double(int64_t(t) - AnimationStart) / double(scroll);
        else if (int64_t(AnimationEnd) - t < scroll)
            r = double(int64_t(AnimationEnd) - t) / double(scroll);
    }
    r = std::clamp(r, 0.0, 1.0);
    const int x = int(std::trunc((1.0 - r) * AnimationX0 + r * AnimationX1));
    const int y = int(std::trunc((1.0 - r) * AnimationY0 + r * AnimationY1));
    const int frameIndex = Animation->FrameAt(int64_t(t) - AnimationStart);
    Animation->DrawFrameAt(frameIndex, frame, true, y, x);
    changes.Add(SizedRect(x, y, Animation->FrameWidth, Animation->Height()));
    if (region) {
        tRegion shape;
        Animation->FrameShape(frameIndex, shape);
        shape.Translate(x, y);
        region->Unite(shape);
    }
}

void tLyricslinePlayback::SetKeyColour(tColour colour) {
    if (Animation)
        Animation->ReplaceColour(colour);
    CurrentRenderer->SetBallKeyColour(colour);
    NextRenderer->SetBallKeyColour(colour);
    PreviousRenderer->SetBallKeyColour(colour);
}

} // namespace lyrimo
