// Lyric lines drawn by the line renderer in every text mode and text format, compared pixel
// for pixel with pictures kept in tests/data/render/lyrics. To accept a deliberate change,
// run the tests once with LYRIMO_UPDATE_GOLDEN=1 in the environment: the pictures are
// rewritten.
#include "lyrics_test_song.h"

#include "golden_pictures.h"
#include "render/animations.h"

#include <gtest/gtest.h>

#include <ostream>

namespace lyrimo {
namespace {

using namespace test;

constexpr int kWidth = 360, kHeight = 110, kTop = 34;

struct tGoldenLine {
    const char* name;
    int mode;
    int format;
    int32_t time;
    bool ball = false;
    bool underline = false;
    bool twoRows = false;
};

void PrintTo(const tGoldenLine& c, std::ostream* out) { *out << c.name; }

int64_t FixedClock() { return 120; }

Bitmap Draw(const tGoldenLine& c) {
    const QString text =
        c.twoRows ? "Twinkle twinkle little star, how I wonder what you are" : "Twinkle twinkle little star";
    const int last = int(text.size());
    auto song = MakeSong({{text, 1000, {{0, 0}, {8, 800}, {16, 1600}, {22, 2200}, {last, 3200}}}}, kWidth);
    tLyricsData* part = song->GetPart(0);
    part->PartExtras.setTextMode(uint8_t(c.mode));
    part->PartExtras.setTextFormat(uint8_t(c.format));
    part->PartExtras.setTextSpacing(2);
    part->PartExtras.setUnderline(c.underline);
    if (c.ball) {
        part->PartExtras.setBallStyle(2);
        part->PartRecord.setBallNumber(5);
    }
    // A dark blue background that shows where the line covers it.
    song->SongSettings.setBackgroundColour(int32_t(0x401010));
    song->SongSettings.setBackgroundTransparent(0);

    SetAnimationClock(FixedClock);
    tLyricsPlayback r;
    r.Setup(song.get(), 0, tLineSetup{}, tLineRole{},
            tLineImages{kWidth, kHeight, tPixelFormat::Bits24, kHeight});
    r.PrepareLine(0, false, 0, false);
    Bitmap frame(kWidth, kHeight + kTop, tPixelFormat::Bits24);
    frame.Fill(kGrey);
    r.DrawFrame(frame, c.time, kDefaultEndEarlyMargin, 255, nullptr, kHeight, kTop, nullptr, true);
    SetAnimationClock(nullptr);
    return frame;
}

class LyricsGolden : public ::testing::TestWithParam<tGoldenLine> {};

TEST_P(LyricsGolden, MatchesTheKeptPicture) {
    const tGoldenLine& c = GetParam();
    ExpectMatchesGolden(Draw(c), TestDataFolder("render/lyrics"), QString("line_%1.png").arg(c.name));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LyricsGolden,
    ::testing::Values(tGoldenLine{"mode0_static", 0, 0, 2000}, tGoldenLine{"mode1_line_early", 1, 0, 1300},
                      tGoldenLine{"mode1_line", 1, 0, 2000}, tGoldenLine{"mode1_line_finished", 1, 0, 4190},
                      tGoldenLine{"mode2_reveal", 2, 0, 2000}, tGoldenLine{"mode3_characters", 3, 0, 2000},
                      tGoldenLine{"mode4_words", 4, 0, 2000}, tGoldenLine{"mode5_blocks", 5, 0, 2000},
                      tGoldenLine{"mode6_timings", 6, 0, 2000},
                      tGoldenLine{"format1_shadow_top_left", 1, 1, 2000},
                      tGoldenLine{"format2_shadow_top_right", 1, 2, 2000},
                      tGoldenLine{"format3_shadow_bottom_left", 1, 3, 2000},
                      tGoldenLine{"format4_shadow_bottom_right", 1, 4, 2000},
                      tGoldenLine{"format5_bubble", 1, 5, 2000},
                      tGoldenLine{"format5_bubble_words", 4, 5, 2000},
                      tGoldenLine{"ball_underline_two_rows", 1, 0, 2600, true, true, true}),
    [](const ::testing::TestParamInfo<tGoldenLine>& info) { return std::string(info.param.name); });

} // namespace
} // namespace lyrimo
