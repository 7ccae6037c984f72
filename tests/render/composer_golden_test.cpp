// Whole playback frames of a small song compared pixel for pixel with pictures kept in
// tests/data/render/frames. They catch any change in where lines, slots, fades and the ball
// land. To accept a deliberate change, run the tests once with LYRIMO_UPDATE_GOLDEN=1 in the
// environment: the pictures are rewritten.
#include "render/frame_composer.h"

#include "lineplay_fixtures.h"
#include "render/animations.h"
#include "render/bitmap_png.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

namespace lyrimo {
namespace {

using test::Blank;
using test::Sung;

int64_t g_clock = 0;
int64_t FixedClock() { return g_clock; }

QString FramesFolder() {
    const QByteArray fromEnvironment = qgetenv("LYRIMO_TEST_DATA");
    const QString data =
        fromEnvironment.isEmpty() ? QStringLiteral(LYRIMO_SOURCE_TEST_DATA) : QString(fromEnvironment);
    return data + "/render/frames";
}

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
    tFrameComposer composer(&song, 480, 270, false);
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

int DifferentPixels(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return -1;
    int different = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            different += a.Pixel(x, y) != b.Pixel(x, y);
    return different;
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
    const QString path = FramesFolder() + QString("/twinkle_%1ms.png").arg(time);
    auto song = GoldenSong();
    const Bitmap drawn = FrameAt(*song, time);
    if (qEnvironmentVariableIsSet("LYRIMO_UPDATE_GOLDEN")) {
        QDir().mkpath(FramesFolder());
        ASSERT_TRUE(SavePng(drawn, path)) << qPrintable(path);
        return;
    }
    Bitmap kept;
    ASSERT_TRUE(LoadPng(path, kept)) << "missing " << qPrintable(path) << "; run with LYRIMO_UPDATE_GOLDEN=1";
    const int different = DifferentPixels(drawn, kept);
    if (different != 0)
        SavePng(drawn, test::ScratchFolder() + QString("/twinkle_%1ms.png").arg(time));
    EXPECT_EQ(different, 0) << "see the drawn frame in " << qPrintable(test::ScratchFolder());
}

// Mid first line (next line waiting below); second line sung while the first fades; the next
// verse shown early after the instrumental gap.
INSTANTIATE_TEST_SUITE_P(Frames, ComposerGolden, ::testing::Values(2000, 3400, 7400));

} // namespace
} // namespace lyrimo
