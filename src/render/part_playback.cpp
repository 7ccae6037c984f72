#include "render/part_playback.h"

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
void DrawNeighbour(tLyricsPlayback& renderer, Bitmap& frame, int32_t time, int32_t endEarlyMargin, int alpha,
                   tChangesList* changes, int clipHeight, int top, tRegion* region, bool highlight) {
    if (alpha <= 0)
        return;
    // A line that was sung keeps its sung look while it fades, but its ball stays behind at the
    // line's end and must not be drawn beside the ball of the line being sung.
    renderer.SetBallShown(false);
    renderer.DrawFrame(frame, time, endEarlyMargin, std::min(alpha, 255), changes, clipHeight, top, region,
                       highlight);
    renderer.SetBallShown(true);
}

} // namespace

tLyricslinePlayback::tLyricslinePlayback(tLyrimoData* song, int partIndex, const tLineSetup& setup,
                                         const tPartBlock& block, const tPartOptions& options)
    : song_(song), partIndex_(partIndex), setup_(setup), windowWidth_(block.WindowWidth),
      blockHeight_(block.Height), blockTop_(block.Top), windowHeight_(block.WindowHeight),
      animationsAllowed_(options.AnimationsAllowed), format_(options.Format) {
    if (animationsAllowed_)
        LoadAnimation(options.BuildShapes);

    currentRenderer_ = std::make_unique<tLyricsPlayback>();
    nextRenderer_ = std::make_unique<tLyricsPlayback>();
    previousRenderer_ = std::make_unique<tLyricsPlayback>();
    mode_ = linemode::Single;

    tLyricsData* part = song_ ? song_->GetPart(partIndex_) : nullptr;
    if (!part)
        return; // nothing to show: every line index is outside the part
    lyricsPosition_ = part->PartExtras.LyricsPosition();

    const tLineImages images{windowWidth_, blockHeight_, format_, windowHeight_};
    tLineRole role;
    role.PreviewAlignment = 0;
    ChooseMode(role);
    if (mode_ == linemode::MultiLine)
        ComputeSlotHeights(images);
    currentAtBottom_ = !firstLineTop_;

    role.BuildBallShape = options.BuildShapes;
    role.NoHighlight = !animationsAllowed_;
    for (tLyricsPlayback* renderer : {currentRenderer_.get(), previousRenderer_.get()})
        renderer->Setup(song_, partIndex_, setup_, role, images);
    tLineRole nextRole = role;
    nextRole.FadeFlag = fade_;
    nextRole.IsPreview = mode_ == linemode::Preview;
    nextRole.NoHighlight = true;
    nextRenderer_->Setup(song_, partIndex_, setup_, nextRole, images);

    ScheduleAnimation(-1);
}

tLyricslinePlayback::~tLyricslinePlayback() = default;

void tLyricslinePlayback::LoadAnimation(bool buildShapes) {
    tLyricsData* part = song_ ? song_->GetPart(partIndex_) : nullptr;
    if (!part)
        return;
    const tPictureSlot& slot = part->Slots[kAnimationSlot];
    const int builtIn = part->PartExtras.InstrumentalAnimation();
    try {
        if (slot.Record.Enabled()) {
            auto animation = std::make_unique<tInstrumentalAnimation>(format_);
            const QString fileName = FromSystemCodePage(slot.Record.FileName());
            if (animation->LoadFromStream(slot.Bytes, fileName, buildShapes, slot.Record.FrameCount(),
                                          tColour(slot.Record.TransparentColour())))
                animation_ = std::move(animation);
        } else if (builtIn >= 1 && builtIn <= 4) {
            auto animation = std::make_unique<tInstrumentalAnimation>(format_);
            animation->LoadBuiltIn(builtIn - 1, buildShapes);
            animation_ = std::move(animation);
        }
    } catch (...) {
        animation_.reset(); // a part whose animation cannot be loaded simply has none
    }
}

void tLyricslinePlayback::ChooseMode(tLineRole& role) {
    const tSongSettings& song = song_->SongSettings;
    const tLineSetup::tDisplay& display = setup_.Display;
    switch (song.MultiLineMode()) {
    case 0:
        if (!display.MultiLine) {
            mode_ = linemode::Single;
        } else if (display.Preview) {
            mode_ = linemode::Preview;
            previewBelow_ = display.PreviewBelow;
            role.PreviewAlignment = display.PreviewAlign;
            role.HalfSize = display.PreviewHalfSize;
            role.Blend = display.PreviewBlend;
        } else {
            mode_ = linemode::MultiLine;
            firstLineTop_ = display.FirstLineTop;
            fade_ = display.FadeNeighbours;
        }
        break;
    case 2:
        mode_ = linemode::Preview;
        previewBelow_ = song.PreviewBelow() != 0;
        role.PreviewAlignment = song.PreviewAlign();
        role.HalfSize = song.PreviewHalfSize() != 0;
        role.Blend = song.PreviewBlend() != 0;
        break;
    case 3:
        mode_ = linemode::MultiLine;
        firstLineTop_ = song.FirstLineTop() != 0;
        fade_ = song.PreviewFadeIn() != 0;
        break;
    default: mode_ = linemode::Single; break;
    }
    previewHalfSize_ = mode_ == linemode::Preview && role.HalfSize;
}

// The two slots are as high as the highest line that goes into each. Lines alternate between
// the slots, and every verse (the lines after an untimed line) starts again in the slot of the
// first line. Both slots keep room for the ball above their lines, so that the ball of a line
// in the bottom slot bounces between the two lines instead of over the top line's letters.
void tLyricslinePlayback::ComputeSlotHeights(const tLineImages& images) {
    tLyricsPlayback& measure = *currentRenderer_;
    tLineRole measuring;
    measuring.MeasureOnly = true;
    measuring.NoHighlight = !animationsAllowed_;
    measure.Setup(song_, partIndex_, setup_, measuring, images);
    int top = 0;
    int bottom = 0;
    int bottomBallRoom = 0;
    // The slot flag means "in the bottom slot", as currentAtBottom_ does for the shown line.
    bool inBottom = !firstLineTop_;
    for (int i = 0; i < LineCount(); ++i) {
        measure.PrepareLine(i, false, 0, false);
        if (inBottom) {
            bottom = std::max(bottom, int(measure.TextHeight() + measure.BallSpace()));
            bottomBallRoom = std::max(bottomBallRoom, int(measure.BallSpace()));
        } else
            top = std::max(top, int(measure.TextHeight() + measure.BallSpace()));
        inBottom = LineHasTimings(i) ? !inBottom : !firstLineTop_;
    }
    if (top + bottom > blockHeight_ && top + bottom > 0) {
        const int64_t sum = int64_t(top) + bottom;
        top = int(int64_t(top) * blockHeight_ / sum);
        bottom = int(int64_t(bottom) * blockHeight_ / sum);
        bottomBallRoom = int(int64_t(bottomBallRoom) * blockHeight_ / sum);
    }
    topSlotHeight_ = top;
    bottomSlotHeight_ = bottom;
    bottomBallRoom_ = std::min(bottomBallRoom, bottom);
}

int tLyricslinePlayback::LineCount() const {
    const tLyricsData* part = song_ ? song_->GetPart(partIndex_) : nullptr;
    return part ? part->LineCount() : 0;
}

bool tLyricslinePlayback::LineHasTimings(int index) const {
    const tLyricsData* part = song_ ? song_->GetPart(partIndex_) : nullptr;
    const tTimingsLineType* line = part ? part->GetLine(index) : nullptr;
    return line && line->TimingCount() > 0;
}

void tLyricslinePlayback::SetLine(int index, bool wantRegions, tColour keyColour, bool transparentMode) {
    currentIndex_ = index;
    const int count = LineCount();
    if (mode_ == linemode::MultiLine && fade_ && currentShown_) {
        // The old current line keeps its images and fades out as the previous line.
        std::swap(currentRenderer_, previousRenderer_);
        previousShown_ = true;
    } else {
        previousShown_ = false;
    }

    const bool isLine = index >= 0 && index < count;
    if (isLine)
        currentRenderer_->PrepareLine(index, wantRegions, keyColour, transparentMode);
    currentShown_ = isLine && LineHasTimings(index);

    const bool nextIsLine = index + 1 >= 0 && index + 1 < count;
    if (nextIsLine && mode_ != linemode::Single) {
        nextRenderer_->PrepareLine(index + 1, wantRegions, keyColour, transparentMode);
        nextShown_ = LineHasTimings(index + 1);
    } else {
        nextShown_ = false;
    }

    firstLine_ = index == 0;
    afterGap_ = index > 0 && index < count && !LineHasTimings(index - 1);
    if (firstLine_ || afterGap_)
        currentAtBottom_ = !firstLineTop_;
    else
        currentAtBottom_ = !currentAtBottom_;
}

bool tLyricslinePlayback::CurrentLineVisible(int32_t partTime) const {
    const tLyricsData* part = song_ ? song_->GetPart(partIndex_) : nullptr;
    const tTimingsLineType* line = part ? part->GetLine(currentIndex_) : nullptr;
    if (!line)
        return true;
    const bool early = int64_t(partTime) + setup_.Timing.Early >= line->LineRecord.LineStart();
    if (currentIndex_ == 0)
        return setup_.Timing.ShowFirstLine || early;
    if (afterGap_)
        return early;
    return true;
}

int32_t tLyricslinePlayback::NextLineToShow() const {
    int next = currentIndex_ + 1;
    if (setup_.Timing.SkipBlankLines) {
        while (next < LineCount() && !LineHasTimings(next))
            ++next;
    }
    return next;
}

int32_t tLyricslinePlayback::DrawFrame(Bitmap& frame, tRegion* region, tChangesList& changes,
                                       int32_t mediaTime, int32_t endEarlyMargin) {
    const tLyricsData* part = song_ ? song_->GetPart(partIndex_) : nullptr;
    const int32_t t = part ? part->PartTime(mediaTime) : mediaTime;
    const tDrawTarget target{frame, region, changes, t, endEarlyMargin};
    if (animationWindow_.Active && animationWindow_.End < t)
        animationWindow_.Active = false;

    int32_t result = currentIndex_;
    const int count = LineCount();
    if (CurrentLineVisible(t)) {
        bool finished = false;
        switch (mode_) {
        case linemode::Preview: finished = DrawPreview(target); break;
        case linemode::MultiLine: finished = DrawMultiLine(target); break;
        default: finished = DrawSingle(target); break;
        }
        if (currentIndex_ >= count) {
            // The lyrics are gone (removed at the song's end, or the part has none): nothing follows.
        } else if (finished && currentIndex_ == count - 1) {
            result = setup_.Timing.RemoveLyricsAtSongEnd ? currentIndex_ + 1 : currentIndex_;
            ScheduleAnimation(currentIndex_);
        } else if (finished) {
            ScheduleAnimation(currentIndex_);
            result = NextLineToShow();
        }
    }
    DrawAnimation(target);
    wantedLine_ = result;
    return result;
}

bool tLyricslinePlayback::BackingShapes(const tRegion* region) const {
    return region && !song_->SongSettings.CutoutText();
}

void tLyricslinePlayback::AddBacking(tRegion* region, tChangesList& changes, const tMyRect& rect,
                                     int corner) {
    region->Unite(RoundedRectRegion(rect, corner));
    changes.Add(rect);
}

bool tLyricslinePlayback::DrawSingle(const tDrawTarget& target) {
    Bitmap& frame = target.frame;
    tRegion* region = target.region;
    tChangesList& changes = target.changes;
    const int32_t t = target.t;
    if (!currentShown_)
        return true; // lines without timings are passed over
    tLyricsPlayback& current = *currentRenderer_;
    const int h = std::min(current.TextHeight() + current.BallSpace(), blockHeight_);
    int y = blockTop_ + blockHeight_ / 2 - h / 2;
    if (lyricsPosition_ == linepos::Top)
        y = blockTop_;
    else if (lyricsPosition_ == linepos::Bottom)
        y = blockTop_ + blockHeight_ - h;

    tChangesList* rendererChanges = &changes;
    if (BackingShapes(region)) {
        if (lyricsPosition_ == linepos::Top)
            y += 30;
        else if (lyricsPosition_ == linepos::Bottom)
            y -= 30;
        AddBacking(
            region, changes,
            tMyRect{kBackingInset, y - kBackingInset, windowWidth_ - kBackingInset, y + h + kBackingInset},
            kBackingCorner);
        rendererChanges = nullptr;
    }
    return current.DrawFrame(frame, t, target.endEarlyMargin, 255, rendererChanges, h,
                             y + current.BallSpace(), region, true);
}

bool tLyricslinePlayback::DrawPreview(const tDrawTarget& target) {
    Bitmap& frame = target.frame;
    tRegion* region = target.region;
    tChangesList& changes = target.changes;
    tLyricsPlayback& next = *nextRenderer_;
    const int h2 = std::min(next.TextHeight(), blockHeight_);
    const bool finished = DrawSingle(target);
    if (!nextShown_ || currentRenderer_->TextHeight() <= 0)
        return finished;

    bool below = previewBelow_;
    if (lyricsPosition_ == linepos::Bottom)
        below = false;
    else if (lyricsPosition_ == linepos::Top)
        below = true;
    int y2 = below ? blockTop_ + blockHeight_ - h2 : blockTop_;

    tChangesList* rendererChanges = &changes;
    if (BackingShapes(region)) {
        const int w = previewHalfSize_ ? 15 : 30;
        y2 += below ? -w : w;
        AddBacking(region, changes,
                   tMyRect{kBackingInset, y2 - w / 2, windowWidth_ - kBackingInset, y2 + w / 2 + h2}, w);
        rendererChanges = nullptr;
    }
    next.DrawFrame(frame, 0, target.endEarlyMargin, 255, rendererChanges, h2, y2, region, false);
    return finished;
}

tLyricslinePlayback::tFadeAlphas tLyricslinePlayback::FadeAlphas(int32_t partTime) const {
    tFadeAlphas alphas;
    if (!fade_)
        return alphas;
    const tSongSettings& song = song_->SongSettings;
    if (song.CutoutText() && song.FullScreenVideo())
        return alphas;
    const tLyricsData* part = song_->GetPart(partIndex_);
    const tTimingsLineType* line = part ? part->GetLine(currentIndex_) : nullptr;
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

bool tLyricslinePlayback::DrawMultiLine(const tDrawTarget& target) {
    Bitmap& frame = target.frame;
    tRegion* region = target.region;
    tChangesList& changes = target.changes;
    const int32_t t = target.t;
    const bool backing = BackingShapes(region);
    int y = blockHeight_ / 2 + blockTop_ - (topSlotHeight_ + bottomSlotHeight_) / 2 + topSlotHeight_;
    if (lyricsPosition_ == linepos::Top)
        y = blockTop_ + topSlotHeight_;
    else if (lyricsPosition_ == linepos::Bottom)
        y = blockTop_ + blockHeight_ - bottomSlotHeight_;
    if (backing) {
        if (lyricsPosition_ == linepos::Top)
            y += 30;
        else if (lyricsPosition_ == linepos::Bottom)
            y -= 30;
    }
    tChangesList* rendererChanges = backing ? nullptr : &changes;
    const tFadeAlphas alphas = FadeAlphas(t);
    tLyricsPlayback& current = *currentRenderer_;
    tLyricsPlayback& next = *nextRenderer_;
    tLyricsPlayback& previous = *previousRenderer_;
    const bool drawNext = nextShown_ && alphas.next > 0;
    const bool drawPrevious = previousShown_ && alphas.previous > 0;

    // Lines of the bottom slot start below the ball's room; their text gets what remains.
    const int lowerTop = y + bottomBallRoom_;
    const int lowerHeight = bottomSlotHeight_ - bottomBallRoom_;
    bool finished = true;
    int extentTop = y;
    int extentBottom = y;
    if (currentAtBottom_) {
        if (currentShown_) {
            if (drawNext) {
                const int d = std::min(next.TextHeight(), topSlotHeight_);
                DrawNeighbour(next, frame, 0, target.endEarlyMargin, alphas.next, rendererChanges, d, y - d,
                              region, false);
                extentTop = std::min(extentTop, y - d);
            }
            if (drawPrevious) {
                const int d = std::min(previous.TextHeight(), topSlotHeight_);
                DrawNeighbour(previous, frame, t, target.endEarlyMargin, alphas.previous, rendererChanges, d,
                              y - d, region, true);
                extentTop = std::min(extentTop, y - d);
            }
            const int clip = std::min(current.TextHeight(), lowerHeight);
            finished = current.DrawFrame(frame, t, target.endEarlyMargin, 255, rendererChanges, clip,
                                         lowerTop, region, true);
            extentTop = std::min(extentTop, lowerTop - current.BallSpace());
            extentBottom = lowerTop + clip;
        }
    } else if (currentShown_) {
        const int d = std::min(current.TextHeight(), topSlotHeight_);
        finished =
            current.DrawFrame(frame, t, target.endEarlyMargin, 255, rendererChanges, d, y - d, region, true);
        extentTop = y - d - current.BallSpace();
        if (drawNext) {
            const int clip = std::min(next.TextHeight(), lowerHeight);
            DrawNeighbour(next, frame, 0, target.endEarlyMargin, alphas.next, rendererChanges, clip, lowerTop,
                          region, false);
            extentBottom = std::max(extentBottom, lowerTop + clip);
        }
        if (drawPrevious) {
            const int clip = std::min(previous.TextHeight(), lowerHeight);
            DrawNeighbour(previous, frame, t, target.endEarlyMargin, alphas.previous, rendererChanges, clip,
                          lowerTop, region, true);
            extentBottom = std::max(extentBottom, lowerTop + clip);
        }
    }
    if (backing && extentTop != extentBottom)
        AddBacking(region, changes,
                   tMyRect{kBackingInset, extentTop - kBackingInset, windowWidth_ - kBackingInset,
                           extentBottom + kBackingInset},
                   kBackingCorner);
    return finished;
}

void tLyricslinePlayback::ScheduleAnimation(int line) {
    if (!animation_ || animationWindow_.Active)
        return;
    const tLyricsData* part = song_ ? song_->GetPart(partIndex_) : nullptr;
    if (!part)
        return;
    const tLineSetup::tAnimation& schedule = setup_.Animation;
    const int n = part->LineCount();
    int k = -1;
    int64_t start = schedule.LeadIn;
    if (line >= 0 && n > 0) {
        k = std::min(line, n - 1);
        const tTimingsLineType* sung = part->GetLine(k);
        start = int64_t(sung->LineRecord.LineStart()) + schedule.LeadIn + 1;
        if (sung->TimingCount() > 0)
            start += sung->Timings().back().Delta();
        if (LineHasTimings(k + 1))
            return; // the animation only fills a blank stretch
    }

    int64_t end = start + 1000000;
    for (int i = k + 1; i < n; ++i) {
        if (LineHasTimings(i)) {
            end = int64_t(part->GetLine(i)->LineRecord.LineStart()) - schedule.LeadOut - setup_.Timing.Early -
                  1;
            break;
        }
    }

    const uint8_t placement = part->Slots[kAnimationSlot].Record.Placement();
    const int64_t gap =
        (placement == kPlacementCentred ? 0 : 2 * int64_t(schedule.ScrollTime)) + schedule.MinTimePlay;
    if (start <= 0 || end <= 0 || end - start <= gap)
        return;

    const int fw = animation_->FrameWidth;
    const int fh = animation_->Height();
    switch (placement & 3) {
    case 0: animationWindow_.X0 = -fw, animationWindow_.X1 = 0; break;
    case 2: animationWindow_.X0 = windowWidth_, animationWindow_.X1 = windowWidth_ - fw; break;
    default: animationWindow_.X0 = animationWindow_.X1 = windowWidth_ / 2 - fw / 2; break;
    }
    // Vertical positions are kept inside this part's block, so that every part's animation shows
    // beside its own lyrics.
    switch ((placement >> 2) & 3) {
    case 0: animationWindow_.Y0 = blockTop_ - fh, animationWindow_.Y1 = blockTop_; break;
    case 2:
        animationWindow_.Y0 = blockTop_ + blockHeight_, animationWindow_.Y1 = blockTop_ + blockHeight_ - fh;
        break;
    default: animationWindow_.Y0 = animationWindow_.Y1 = blockTop_ + blockHeight_ / 2 - fh / 2; break;
    }
    if (!(placement & kPlacementScrolls)) {
        animationWindow_.X0 = animationWindow_.X1;
        animationWindow_.Y0 = animationWindow_.Y1;
    }
    animationWindow_.Start = int32_t(std::clamp<int64_t>(start, INT32_MIN, INT32_MAX));
    animationWindow_.End = int32_t(std::clamp<int64_t>(end, INT32_MIN, INT32_MAX));
    animationWindow_.Active = true;
}

void tLyricslinePlayback::DrawAnimation(const tDrawTarget& target) {
    Bitmap& frame = target.frame;
    tRegion* region = target.region;
    tChangesList& changes = target.changes;
    const int32_t t = target.t;
    if (!animation_ || !animationWindow_.Active || animationWindow_.Start >= t)
        return;
    const tLyricsData* part = song_->GetPart(partIndex_);
    const uint8_t placement = part ? part->Slots[kAnimationSlot].Record.Placement() : kPlacementCentred;
    const int64_t scroll = placement == kPlacementCentred ? 0 : setup_.Animation.ScrollTime;
    double r = 1.0;
    if (scroll > 0) {
        if (int64_t(t) - animationWindow_.Start < scroll)
            r = double(int64_t(t) - animationWindow_.Start) / double(scroll);
        else if (int64_t(animationWindow_.End) - t < scroll)
            r = double(int64_t(animationWindow_.End) - t) / double(scroll);
    }
    r = std::clamp(r, 0.0, 1.0);
    const int x = int(std::trunc((1.0 - r) * animationWindow_.X0 + r * animationWindow_.X1));
    const int y = int(std::trunc((1.0 - r) * animationWindow_.Y0 + r * animationWindow_.Y1));
    const int frameIndex = animation_->FrameAt(int64_t(t) - animationWindow_.Start);
    animation_->DrawFrameAt(frameIndex, frame, true, y, x);
    changes.Add(SizedRect(x, y, animation_->FrameWidth, animation_->Height()));
    if (region) {
        tRegion shape;
        animation_->FrameShape(frameIndex, shape);
        shape.Translate(x, y);
        region->Unite(shape);
    }
}

void tLyricslinePlayback::SetKeyColour(tColour colour) {
    if (animation_)
        animation_->ReplaceColour(colour);
    currentRenderer_->SetBallKeyColour(colour);
    nextRenderer_->SetBallKeyColour(colour);
    previousRenderer_->SetBallKeyColour(colour);
}

} // namespace lyrimo
