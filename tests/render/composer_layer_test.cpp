// The frame composer keeps the background layer in its frame and repaints only what the last
// frame drew over it. Every frame of a performance must equal the frame of a composer that
// redraws everything each time, whatever moves over the layer: lines, fades, balls, the
// animation, the on-screen message, video frames and slides.
#include "render/frame_composer.h"

#include "part_playback_fixtures.h"
#include "picture/bitmap_png.h"
#include "render/animations.h"
#include "render/slide_show.h"

#include <gtest/gtest.h>

#include <functional>

namespace lyrimo {
namespace {

using test::Blank;
using test::Sung;

int64_t g_clock = 0;
int64_t FixedClock() { return g_clock; }

// A picture whose every pixel differs from its neighbours, so that a stale pixel shows.
QByteArray NoisyPicture(int width, int height, int seed) {
    Bitmap picture(width, height, tPixelFormat::Bits32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.SetPixel(x, y,
                             tColour((x * 37 + y * 11 + seed) & 0xFF) | tColour((x ^ y) & 0xFF) << 8 |
                                 tColour((y * 53 + seed * 7) & 0xFF) << 16);
    return EncodePng(picture);
}

// Two parts with a ball, both lines and the ball moving; the first part has an animation
// scrolling in during its gap.
std::unique_ptr<tLyrimoData> TwoPartsWithBall() {
    auto song = test::MakeSong({Sung("twinkle twinkle", 400, 1200), Sung("little star", 1800, 1000), Blank(),
                                Sung("how I", 5200, 800)},
                               640, 24);
    test::AddPart(*song, {Sung("up above", 600, 1400), Sung("the world so high", 2200, 1600)});
    for (int p = 0; p < song->PartCount(); ++p) {
        tLyricsData* part = song->GetPart(p);
        part->PartExtras.setBallStyle(2);
        part->PartRecord.setBallNumber(3);
    }
    tLyricsData* first = song->GetPart(0);
    first->PartExtras.setInstrumentalAnimation(1);
    first->Slots[kAnimationSlot].Record.setPlacement(16); // scrolls in from the top left
    return song;
}

void SetBackgroundPicture(tLyrimoData& song) {
    song.SongSettings.setBackgroundEnabled(1);
    song.SongSettings.setBackgroundFileName("noise.png");
    song.BackgroundStream = NoisyPicture(160, 90, 3);
}

void AddSlide(tLyrimoData& song, int seed, int32_t showTime, uint8_t transition) {
    tPictureRecord record;
    record.setFileName(QString("slide%1.png").arg(seed).toLatin1());
    *song.Pictures.GetPicture(song.Pictures.AddPicture(record)) = NoisyPicture(120, 80, seed);
    tSlideRecord slide;
    slide.setPicture(uint16_t(song.Pictures.Count() - 1));
    slide.setTransition(transition);
    slide.setTransitionDuration(5); // half a second
    slide.setShowTime(showTime);
    slide.setLeaveUntilRemoved(1);
    song.Slides.AddSlide(slide);
}

// What the caller gives a frame besides its time.
using tInputAt = std::function<void(int32_t time, tComposerInput& input)>;

class ComposerLayer : public ::testing::Test {
protected:
    void SetUp() override {
        test::ResetPlaybackSettings();
        SetAnimationClock(&FixedClock);
    }
    void TearDown() override {
        SetAnimationClock(nullptr);
        test::ResetPlaybackSettings();
    }

    // Performs the song up to endMs twice in step, once repainting only the changes and once
    // redrawing every frame in full; every frame must be the same. Counts the frames that
    // were not full redraws.
    static void ExpectSameAsFullRedraws(tLyrimoData& song, int32_t endMs, const tInputAt& inputAt = {}) {
        tFrameComposer changed(&song, 640, 360, test::ComposerSetup());
        tFrameComposer full(&song, 640, 360, test::ComposerSetup());
        changed.SeedSlideShow(7);
        full.SeedSlideShow(7);
        if (song.SongSettings.HasVideo()) {
            changed.FitPictureAreaToVideo(160, 120);
            full.FitPictureAreaToVideo(160, 120);
        }
        int partial = 0;
        for (int32_t t = 0; t <= endMs; t += 40) {
            g_clock = t;
            tComposerInput input;
            input.mediaTime = t;
            input.clock = t;
            if (inputAt)
                inputAt(t, input);
            input.full = t == 0;
            changed.Compose(input);
            input.full = true;
            full.Compose(input);
            partial += !changed.LastWasFull();
            ASSERT_TRUE(changed.Frame() == full.Frame()) << "first difference at " << t << " ms";
            changed.PrepareWantedLines();
            full.PrepareWantedLines();
        }
        EXPECT_GT(partial, endMs / 80) << "most frames repaint only their changes";
    }
};

TEST_F(ComposerLayer, PictureBackgroundWithTwoPartsAndBalls) {
    auto song = TwoPartsWithBall();
    SetBackgroundPicture(*song);
    ExpectSameAsFullRedraws(*song, 6000);
}

// Neighbouring lines fade in and out, so a pixel blended twice over the layer would show; the
// on-screen message comes, changes and goes over them.
TEST_F(ComposerLayer, FadingLinesAndTheMessage) {
    auto song = TwoPartsWithBall();
    SetBackgroundPicture(*song);
    song->SongSettings.setMultiLineMode(3);
    song->SongSettings.setPreviewFadeIn(1);
    tOnScreenText volume{"Volume 40%", 1000};
    tOnScreenText speed{"Speed +10%", 1600};
    ExpectSameAsFullRedraws(
        *song, 4400, [&](int32_t t, tComposerInput& input) { input.onScreen = t < 1600 ? volume : speed; });
}

// Video frames beside the lyrics, new every other frame, and a slide appearing in the picture
// area behind them.
TEST_F(ComposerLayer, VideoFramesAndSlidesInThePictureArea) {
    auto song = TwoPartsWithBall();
    song->SongSettings.setSplitSize(50);
    song->SongSettings.setHasVideo(1);
    song->SongSettings.setSlideShowEnabled(1);
    AddSlide(*song, 1, 1000, kNoTransition);
    AddSlide(*song, 2, 2500, kNoTransition);
    Bitmap video(80, 60, tPixelFormat::Bits32);
    ExpectSameAsFullRedraws(*song, 3600, [&](int32_t t, tComposerInput& input) {
        input.videoFrameChanged = t % 80 == 0;
        if (input.videoFrameChanged)
            video.Fill(tColour(t * 2654435761u) & 0xFFFFFF);
        // Between two and three seconds the player has no frame to give.
        input.videoFrame = t >= 2000 && t < 3000 ? nullptr : &video;
    });
}

// A full-screen slide show whose transitions compose the whole layer, lyrics over it.
TEST_F(ComposerLayer, FullScreenSlideTransitions) {
    auto song = TwoPartsWithBall();
    song->SongSettings.setFullScreenSlideShow(1);
    song->SongSettings.setSlideShowEnabled(1);
    AddSlide(*song, 1, 200, kBoxOut);
    AddSlide(*song, 2, 1400, kCenterWipeInVertical);
    AddSlide(*song, 3, 2600, kCrossFade);
    ExpectSameAsFullRedraws(*song, 4400);
}

} // namespace
} // namespace lyrimo
