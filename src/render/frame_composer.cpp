#include "render/frame_composer.h"

#include "app/app_services.h"
#include "document/song.h"
#include "document/song_loading.h"
#include "render/drawing_utils.h"
#include "render/fit_picture.h"
#include "render/line_renderer.h"
#include "render/slide_show.h"

#include <algorithm>

namespace lyrimo {

namespace {

// Room kept free above and below the lyrics blocks unless they are cut out over full-screen video.
constexpr int kBlockMargin = 20;

bool KeepsBlockMargins(const tSongSettings& song) { return song.CutoutText() || !song.FullScreenVideo(); }

} // namespace

tPlaybackAreas ComputePlaybackAreas(const tLyrimoData& song, int width, int height, bool stepMode) {
    const tSongSettings& s = song.SongSettings;
    const tMyRect whole{0, 0, width, height};
    if (stepMode || s.FullScreenVideo() || s.FullScreenSlideShow() ||
        (!s.SlideShowEnabled() && !s.HasVideo()))
        return {whole, whole};
    // The split is a percentage; a damaged song may store any number there.
    const int split = std::clamp<int32_t>(s.SplitSize(), 0, 100);
    const int h = int(int64_t(height) * split / 100);
    if (s.LyricsAtBottom())
        return {tMyRect{0, h, width, height}, tMyRect{0, 0, width, h}};
    return {tMyRect{0, 0, width, height - h}, tMyRect{0, height - h, width, height}};
}

tMyRect FitAreaToVideo(const tMyRect& area, int videoWidth, int videoHeight) {
    if (videoWidth <= 0 || videoHeight <= 0) {
        videoWidth = 320;
        videoHeight = 240;
    }
    int64_t height = area.Height();
    int64_t width = height * videoWidth / videoHeight;
    if (width > area.Width()) {
        width = area.Width();
        height = width * videoHeight / videoWidth;
    }
    const int left = area.Left + (area.Width() - int(width)) / 2;
    const int top = area.Top + (area.Height() - int(height)) / 2;
    return SizedRect(left, top, int(width), int(height));
}

tFrameComposer::tFrameComposer(tLyrimoData* song, int width, int height, const tComposerSetup& setup)
    : song_(song), width_(std::max(1, width)), height_(std::max(1, height)), setup_(setup),
      endEarlyMargin_(setup.Lines.Margin.EndEarlyMin),
      slideShow_(std::make_unique<tSlideShowhandler>(setup.Format)) {
    const tPlaybackAreas areas = ComputePlaybackAreas(*song_, width_, height_, setup_.StepMode);
    lyricsArea_ = areas.Lyrics;
    pictureArea_ = areas.Picture;
    CreateRenderers();
    frame_ = Bitmap(width_, height_, setup_.Format);
    frame_.Fill(tColour(song_->SongSettings.BackgroundColour()));
    PrepareSlideShow();
}

tFrameComposer::~tFrameComposer() = default;

void tFrameComposer::CreateRenderers() {
    renderers_.clear();
    const int parts = song_->PartCount();
    if (parts <= 0)
        return;
    const tSongSettings& s = song_->SongSettings;
    const bool margins = KeepsBlockMargins(s);
    int blockHeight = lyricsArea_.Height() - (margins ? 2 * kBlockMargin : 0);
    blockHeight = std::max(0, blockHeight / parts);
    for (int b = 0; b < parts; ++b) {
        const int top = blockHeight * b + s.VerticalShift() + lyricsArea_.Top + (margins ? kBlockMargin : 0);
        const tPartBlock block{width_, height_, top, blockHeight};
        const tPartOptions options{!setup_.StepMode, s.FullScreenVideo() != 0, setup_.Format};
        renderers_.push_back(std::make_unique<tLyricslinePlayback>(song_, b, setup_.Lines, block, options));
    }
}

void tFrameComposer::PrepareSlideShow() {
    // No player offers an overlay surface here, so the background never has to avoid its key.
    slideShow_->Prepare(song_, width_, keyColour_, false, pictureArea_, height_);
    layerInFrame_ = false;
}

void tFrameComposer::SeedSlideShow(uint32_t seed) {
    slideShow_->SeedRandom(seed);
    PrepareSlideShow();
}

void tFrameComposer::FitPictureAreaToVideo(int videoWidth, int videoHeight) {
    const tSongSettings& s = song_->SongSettings;
    if (!s.HasVideo() || s.FullScreenVideo())
        return;
    const tMyRect fitted = FitAreaToVideo(pictureArea_, videoWidth, videoHeight);
    if (fitted == pictureArea_)
        return;
    pictureArea_ = fitted;
    PrepareSlideShow();
}

void tFrameComposer::SetKeyColour(tColour colour) {
    keyColour_ = colour;
    for (auto& renderer : renderers_)
        renderer->SetKeyColour(colour);
}

// Lyrics cut out over full-screen video: the layer is the plain background colour.
bool tFrameComposer::CutsOutOverVideo() const {
    const tSongSettings& s = song_->SongSettings;
    return s.FullScreenVideo() && s.CutoutText();
}

// Brings the background layer to the time; true when it changed. A change that the screen must
// take as a whole makes the frame full; a change of the picture area only is added to the changes.
bool tFrameComposer::UpdateBackground(int32_t time, bool& full) {
    if (setup_.StepMode)
        return slideShow_->UpdateLayer(0);
    if (CutsOutOverVideo())
        return false;
    if (!slideShow_->UpdateLayer(time))
        return false;
    const tSongSettings& s = song_->SongSettings;
    if (!s.SlideShowEnabled() || s.FullScreenSlideShow())
        full = true;
    else
        CurrentChanges.Add(pictureArea_);
    return true;
}

// Where a video frame of width × height goes: a frame the player already fitted to the picture
// area is centred in it as it is, any other is fitted to it.
tMyRect tFrameComposer::VideoTarget(int width, int height) const {
    const tMyRect& area = pictureArea_;
    const bool fitted = width <= area.Width() && height <= area.Height() &&
                        (width == area.Width() || height == area.Height());
    if (!fitted)
        return AspectFit(tMyRect{0, 0, width, height}, area);
    return SizedRect(area.Left + (area.Width() - width) / 2, area.Top + (area.Height() - height) / 2, width,
                     height);
}

// Finds where the video frame goes and brings it to that size; the changes get its place when
// the frame is new.
void tFrameComposer::PrepareVideo(const tComposerInput& input) {
    video_ = nullptr;
    videoTarget_ = {};
    if (!input.videoFrame || setup_.StepMode)
        return;
    const Bitmap& video = *input.videoFrame;
    if (video.IsEmpty() || pictureArea_.IsEmpty())
        return;
    const tMyRect target = VideoTarget(video.Width(), video.Height());
    if (target.IsEmpty())
        return;
    if (target.Width() == video.Width() && target.Height() == video.Height()) {
        video_ = &video;
    } else {
        // Scaling is the expensive part; a frame that did not change is not scaled again.
        if (input.videoFrameChanged || scaledVideo_.Width() != target.Width() ||
            scaledVideo_.Height() != target.Height()) {
            scaledVideo_ = Bitmap(target.Width(), target.Height(), frame_.Format());
            StretchPicture(video, scaledVideo_, tMyRect{0, 0, target.Width(), target.Height()});
        }
        video_ = &scaledVideo_;
    }
    videoTarget_ = target;
    if (input.videoFrameChanged)
        CurrentChanges.Add(target);
}

void tFrameComposer::DrawWholeLayer() {
    const tColour background = tColour(song_->SongSettings.BackgroundColour());
    if (!setup_.StepMode && CutsOutOverVideo())
        frame_.Fill(background);
    else
        slideShow_->DrawWholeLayer(frame_, background);
    if (video_)
        frame_.CopyRect(*video_, 0, 0, video_->Width(), video_->Height(), videoTarget_.Left,
                        videoTarget_.Top);
}

void tFrameComposer::DrawLayerArea(const tMyRect& area) {
    const tMyRect r = Intersection(area, tMyRect{0, 0, width_, height_});
    if (r.IsEmpty())
        return;
    const tMyRect v = video_ ? Intersection(r, videoTarget_) : tMyRect{};
    if (v != r) { // not wholly under the video
        const tColour background = tColour(song_->SongSettings.BackgroundColour());
        if (!setup_.StepMode && CutsOutOverVideo())
            frame_.FillRect(r.Left, r.Top, r.Width(), r.Height(), background);
        else
            slideShow_->DrawLayerArea(frame_, r, background);
    }
    if (!v.IsEmpty())
        frame_.CopyRect(*video_, v.Left - videoTarget_.Left, v.Top - videoTarget_.Top, v.Width(), v.Height(),
                        v.Left, v.Top);
}

// Repaints from the layer what the last frame drew over it, and the video's place when the
// video frame is new or moved.
void tFrameComposer::RestoreLayer(const tComposerInput& input) {
    for (const tMyRect& r : drawnOver_)
        DrawLayerArea(r);
    if (videoTarget_ != videoTargetShown_)
        DrawLayerArea(videoTargetShown_);
    if (input.videoFrameChanged || videoTarget_ != videoTargetShown_)
        DrawLayerArea(videoTarget_);
}

void tFrameComposer::SetLineMeasured(tLyricslinePlayback& renderer, int index) {
    const int64_t started = TickCount();
    renderer.SetLine(index, false, keyColour_, false);
    PrepTimeTotal += int32_t(std::max<int64_t>(0, TickCount() - started));
    PrepCount += 1;
}

const tChangesList& tFrameComposer::Compose(const tComposerInput& input) {
    const int32_t time = setup_.StepMode ? kStepModeTime : input.mediaTime;
    CurrentChanges.Clear();

    bool full = input.full;
    const bool layerChanged = UpdateBackground(time, full);
    PrepareVideo(input);
    if (full)
        CurrentChanges.Add(tMyRect{0, 0, width_, height_});
    lastWasFull_ = full;
    if (full || layerChanged || !layerInFrame_)
        DrawWholeLayer();
    else
        RestoreLayer(input);
    layerInFrame_ = true;
    videoTargetShown_ = videoTarget_;

    drawnOver_.Clear();
    CurrentChanges.AlsoAddTo(&drawnOver_);
    for (auto& renderer : renderers_) {
        if (renderer->ShownLine() == -1)
            SetLineMeasured(*renderer, 0);
        renderer->DrawFrame(frame_, nullptr, CurrentChanges, time, endEarlyMargin_);
    }
    CurrentChanges.AlsoAddTo(nullptr);
    DrawOnScreen(input);
    if (!onScreenBox_.IsEmpty())
        drawnOver_.Add(onScreenBox_);

    // What was drawn last frame is copied again, so that whatever it covered is restored.
    ScratchChanges.Clear();
    ScratchChanges.AddAll(CurrentChanges);
    CurrentChanges.AddAll(PreviousChanges);
    if (!full)
        PreviousChanges.Clear();
    PreviousChanges.AddAll(ScratchChanges);
    return CurrentChanges;
}

// The message is drawn into every frame it shows in, over the layer repainted beneath it, but
// its box only counts as changed when it appears, changes or goes; what lies beneath it then
// reaches the screen once from the frame.
void tFrameComposer::DrawOnScreen(const tComposerInput& input) {
    const bool showing = OnScreenTextShowing(input.onScreen, input.clock);
    if (!showing && onScreenBox_.IsEmpty())
        return;
    if (!showing) {
        CurrentChanges.Add(onScreenBox_);
        onScreenBox_ = {};
        onScreenShown_ = {};
        return;
    }
    if (!onScreen_)
        onScreen_ = std::make_unique<tOnScreenDisplay>(lyricsArea_);
    const tMyRect box = onScreen_->Draw(frame_, input.onScreen.Text);
    if (input.onScreen != onScreenShown_ || box != onScreenBox_) {
        if (!onScreenBox_.IsEmpty() && box != onScreenBox_)
            CurrentChanges.Add(onScreenBox_);
        CurrentChanges.Add(box);
    }
    onScreenShown_ = input.onScreen;
    onScreenBox_ = box;
}

void tFrameComposer::PrepareWantedLines() {
    if (setup_.StepMode)
        return;
    for (auto& renderer : renderers_) {
        if (renderer->WantedLine() != renderer->ShownLine())
            SetLineMeasured(*renderer, renderer->WantedLine());
    }
}

void tFrameComposer::StepAllParts() {
    for (auto& renderer : renderers_)
        renderer->SetLine(renderer->ShownLine() + 1, false, 0, false);
}

bool tFrameComposer::AllPartsDone() const {
    if (renderers_.empty())
        return true;
    for (const auto& renderer : renderers_) {
        const tLyricsData* part = song_->GetPart(renderer->PartIndex());
        if (!part || renderer->ShownLine() >= part->LineCount())
            return true;
    }
    return false;
}

int32_t tFrameComposer::AveragePrepTime() const { return PrepCount > 0 ? PrepTimeTotal / PrepCount : 1; }

void tFrameComposer::UpdateEndEarlyMargin() {
    endEarlyMargin_ = EndEarlyMarginFor(setup_.Lines.Margin, AveragePrepTime());
}

} // namespace lyrimo
