// Whole playback frames of a small song compared pixel for pixel with pictures kept in
// tests/data/render/frames. They catch any change in where lines, slots, fades and the ball
// land. To accept a deliberate change, run the tests once with LYRIMO_UPDATE_GOLDEN=1 in the
// environment: the pictures are rewritten.
#include "render/frame_composer.h"

#include "golden_pictures.h"
#include "part_playback_fixtures.h"
#include "render/animations.h"

#include <gtest/gtest.h>

namespace lyrimo {
namespace {

using test::Blank;
using test::Sung;

int64_t g_clock = 0;
int64_t FixedClock() { return g_clock; }

// Two verses with a ball, the second sung in the bottom slot after the first.
std::unique_ptr<tLyrimoData> GoldenSong() {
    auto song = test::MakeSong({Sung("Twinkle twinkle", 1000, 2000), Sung("little star", 3200, 1600), Blank(),
                                Sung("How I wonder", 8000, 2000)},
                               480, 22);
    song->SongSettings.setBackgroundColour(0x402010);
    tLyricsData* part = song->GetPart(0);
    for (int i = 0; i < part->LineCount(); ++i)
        part->GetLine(i)->LineRecord.setHighlightBackground(0x402010);
    part->PartExtras.setBallStyle(2);
    part->PartRecord.setBallNumber(3);
    return song;
}

// The frame at time, reached as playback reaches it: a frame every 40 ms, lines prepared after each.
Bitmap FrameAt(tLyrimoData& song, int32_t time) {
    tFrameComposer composer(&song, 480, 270, test::ComposerSetup());
    for (int32_t t = 0;; t += 40) {
        g_clock = std::min(t, time);
        tComposerInput input;
        input.mediaTime = std::min(t, time);
        input.full = t == 0;
        composer.Compose(input);
        if (t >= time)
            return composer.Frame();
        composer.PrepareWantedLines();
    }
}

class ComposerGolden : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override {
        test::ResetPlaybackSettings();
        SetAnimationClock(&FixedClock);
    }
    void TearDown() override {
        SetAnimationClock(nullptr);
        test::ResetPlaybackSettings();
    }
};

TEST_P(ComposerGolden, MatchesTheKeptPicture) {
    const int32_t time = GetParam();
    auto song = GoldenSong();
    test::ExpectMatchesGolden(FrameAt(*song, time), test::TestDataFolder("render/frames"),
                              QString("twinkle_%1ms.png").arg(time));
}

// Mid first line (next line waiting below); second line sung while the first fades; the next
// verse shown early after the instrumental gap.
INSTANTIATE_TEST_SUITE_P(Frames, ComposerGolden, ::testing::Values(2000, 3400, 7400));

} // namespace
} // namespace lyrimo
