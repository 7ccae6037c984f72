// The title screen: how each effect brings the text block on, when the sequence ends,
// fading, holding while the window prepares, the background, and that the changed
// rectangles are enough to keep a window's copy of the screen up to date.
// To accept a deliberate change of the kept pictures, run once with LYRIMO_UPDATE_GOLDEN=1.
#include "render/title_effect.h"

#include "document/song.h"
#include "golden_pictures.h"
#include "picture/bitmap_png.h"
#include "render/drawing_utils.h"
#include "render/fit_picture.h"

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace lyrimo {
namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr tColour kBlack = 0, kWhite = 0xFFFFFF;

int64_t g_now = 0;
int64_t FakeNow() { return g_now; }

class TitleTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedFormat_ = WorkingPixelFormat();
        SetWorkingPixelFormat(tPixelFormat::Bits24);
        SetTitleClock(&FakeNow);
        g_now = 100000;
    }
    void TearDown() override {
        SetTitleClock(nullptr);
        SetWorkingPixelFormat(savedFormat_);
    }

    // Song name, artist and year in white bold Arial 16 on black, laid out for this width.
    void Prepare(int effect, int speed = 1, bool fadeIn = false, bool fadeOut = true,
                 const QString& year = "1999", const QString& artist = "The Artist",
                 const QString& song = "A Song Name") {
        title.Prepare(effect, speed, false, QString(), QByteArray(), kBlack, false, year, artist, song, 0,
                      tTitleFont{"Arial", 16, kFontBold, kWhite}, fadeOut, fadeIn, false, false, kWidth,
                      kHeight, kWidth);
        start = g_now;
    }
    bool StepAt(int64_t elapsed, bool running = true) {
        g_now = start + elapsed;
        return title.Step(target, false, running);
    }

    // The settled title drawn independently: each line centred on a black screen.
    Bitmap Reference() const {
        Bitmap screen(kWidth, kHeight, tPixelFormat::Bits24);
        screen.Fill(kBlack);
        const tMyRect settled = title.SettledRect();
        int y = settled.Top;
        for (const QString& line : title.Lines) {
            if (line.isEmpty())
                continue;
            const int width = title.Font.TextWidth(line);
            DrawText(screen, title.Font, settled.Left + title.BlockWidth / 2 - width / 2, y, line);
            y += title.Font.Height() + 1;
        }
        return screen;
    }

    tTitleEffect title;
    Bitmap target{kWidth, kHeight, tPixelFormat::Bits24};
    int64_t start = 0;

private:
    tPixelFormat savedFormat_ = tPixelFormat::Bits24;
};

// The smallest rectangle holding every pixel that is not background.
tMyRect InkBounds(const Bitmap& b, tColour background = kBlack) {
    tMyRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (b.Pixel(x, y) != background)
                r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1),
                     std::max(r.Bottom, y + 1)};
        }
    }
    return r.Left == INT32_MAX ? tMyRect{} : r;
}

int BrightestChannel(const Bitmap& b) {
    int brightest = 0;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            const tColour c = b.Pixel(x, y);
            brightest = std::max({brightest, int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)});
        }
    }
    return brightest;
}

bool Inside(int x, int y, const tMyRect& r) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

// Pixels of a that differ from b shifted by (dx, dy): inside `within` a(x, y) is compared
// with b(x + dx, y + dy), elsewhere with background.
int Mismatches(const Bitmap& a, const Bitmap& b, const tMyRect& within, int dx = 0, int dy = 0) {
    int count = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const tColour expected = Inside(x, y, within) ? b.Pixel(x + dx, y + dy) : kBlack;
            count += a.Pixel(x, y) != expected;
        }
    }
    return count;
}

TEST_F(TitleTest, BlockHoldsOnlyTheNonEmptyLinesCentredOnTheScreen) {
    Prepare(0, 1, false, true, "", "Artist", "A Much Longer Song Name");
    EXPECT_EQ(title.BlockWidth, title.Font.TextWidth("A Much Longer Song Name"));
    EXPECT_EQ(title.BlockHeight, 2 * (title.Font.Height() + 1));
    EXPECT_EQ(title.SettledRect(),
              SizedRect(kWidth / 2 - title.BlockWidth / 2, kHeight / 2 - title.BlockHeight / 2,
                        title.BlockWidth, title.BlockHeight));
}

// Every effect, followed frame by frame at 40 ms: a window that copies only the
// rectangles reported to it always shows what the title composed, the text ends settled
// in the centre, and the sequence ends after the reveal, the hold and the fade-out.
class EveryEffect : public TitleTest, public ::testing::WithParamInterface<int> {};

TEST_P(EveryEffect, EndsSettledAndChangesKeepTheWindowCurrent) {
    Prepare(GetParam(), 1, true, true);
    g_now = start;
    tChangesList changed;
    title.Step(target, true, true, &changed);
    ASSERT_EQ(changed.Count(), 1);
    ASSERT_EQ(changed[0], (tMyRect{0, 0, kWidth, kHeight})) << "a full redraw reports everything";
    Bitmap window = target;
    int64_t elapsed = 0, revealedAt = -1;
    bool over = false;
    while (!over && elapsed < 20000) {
        elapsed += 40;
        changed.Clear();
        g_now = start + elapsed;
        over = title.Step(target, false, true, &changed);
        changed.CopyChanges(target, window);
        ASSERT_EQ(window, title.Screen) << "at " << elapsed << " ms";
        if (title.Revealed && revealedAt < 0) {
            revealedAt = elapsed;
            EXPECT_EQ(Mismatches(title.Screen, Reference(), {0, 0, kWidth, kHeight}), 0) << "settled look";
        }
    }
    ASSERT_TRUE(over);
    ASSERT_GE(revealedAt, 0);
    // Reveals complete near progress 100 (4.5 s at speed 1), scrolls near 200 (9 s).
    const bool scroll = GetParam() >= kTitleScrollFromTop && GetParam() <= kTitleScrollFromRight;
    EXPECT_NEAR(double(revealedAt), scroll ? 9000.0 : 4500.0, 200.0);
    EXPECT_NEAR(double(elapsed - revealedAt), double(kTitleHoldMs + kTitleFadeOutMs), 100.0);
    EXPECT_EQ(InkBounds(window), tMyRect{}) << "the title has gone";
}

INSTANTIATE_TEST_SUITE_P(Effects, EveryEffect, ::testing::Range(0, int(kTitleEffectCount)));

TEST_F(TitleTest, SequenceEndsAtTheExactTimeForTheSpeed) {
    struct Case {
        int speed;
        int64_t revealMs;
    };
    // Progress = elapsed × (speed + 1) / 90 percent; "None" is revealed at 100.
    for (Case c : {Case{1, 4500}, Case{4, 1800}, Case{0, 9000}}) {
        SCOPED_TRACE(c.speed);
        Prepare(0, c.speed);
        EXPECT_FALSE(StepAt(c.revealMs - 1));
        EXPECT_FALSE(title.Revealed);
        EXPECT_FALSE(StepAt(c.revealMs));
        EXPECT_TRUE(title.Revealed);
        EXPECT_FALSE(StepAt(c.revealMs + kTitleHoldMs));
        EXPECT_FALSE(title.FadingOut) << "held for one second";
        EXPECT_FALSE(StepAt(c.revealMs + kTitleHoldMs + 1));
        EXPECT_TRUE(title.FadingOut);
        const int64_t fadeStart = c.revealMs + kTitleHoldMs + 1;
        EXPECT_FALSE(StepAt(fadeStart + kTitleFadeOutMs - 1));
        EXPECT_TRUE(StepAt(fadeStart + kTitleFadeOutMs));
        EXPECT_TRUE(StepAt(fadeStart + kTitleFadeOutMs + 500)) << "stays over";
    }
}

TEST_F(TitleTest, RevealsUncoverTheRightPartOfTheBlockAtTheMidpoint) {
    struct Case {
        int effect;
        const char* side;
    };
    for (Case c :
         {Case{kTitleRevealFromTop, "top"}, Case{kTitleRevealFromBottom, "bottom"},
          Case{kTitleRevealFromLeft, "left"}, Case{kTitleRevealFromRight, "right"},
          Case{kTitleRevealVertically, "middle rows"}, Case{kTitleRevealHorizontally, "middle columns"},
          Case{kTitleRevealFromCorners, "centre"}}) {
        SCOPED_TRACE(c.side);
        Prepare(c.effect);
        StepAt(2250); // progress 50
        const tMyRect s = title.SettledRect();
        const int W = title.BlockWidth, H = title.BlockHeight;
        tMyRect expected = s;
        switch (c.effect) {
        case kTitleRevealFromTop: expected.Bottom = s.Top + H / 2; break;
        case kTitleRevealFromBottom: expected.Top = s.Bottom - H / 2; break;
        case kTitleRevealFromLeft: expected.Right = s.Left + W / 2; break;
        case kTitleRevealFromRight: expected.Left = s.Right - W / 2; break;
        case kTitleRevealFromCorners:
            expected.Left = s.Left + W / 2 - W / 4, expected.Right = s.Left + W / 2 + W / 4;
            [[fallthrough]];
        case kTitleRevealVertically:
            expected.Top = s.Top + H / 2 - H / 4, expected.Bottom = s.Top + H / 2 + H / 4;
            break;
        case kTitleRevealHorizontally:
            expected.Left = s.Left + W / 2 - W / 4, expected.Right = s.Left + W / 2 + W / 4;
            break;
        }
        EXPECT_EQ(title.LastRect, expected);
        // Cut, not moved or squeezed: the visible part is exactly that part of the settled title.
        EXPECT_EQ(Mismatches(title.Screen, Reference(), expected), 0);
        EXPECT_FALSE(title.Revealed);
    }
}

TEST_F(TitleTest, ScrollsBringTheWholeBlockInFromTheirSide) {
    for (int effect = kTitleScrollFromTop; effect <= kTitleScrollFromRight; ++effect) {
        SCOPED_TRACE(effect);
        Prepare(effect);
        StepAt(4500); // progress 100 of 200
        const tMyRect s = title.SettledRect(), r = title.LastRect;
        EXPECT_EQ(r.Width(), s.Width());
        EXPECT_EQ(r.Height(), s.Height());
        switch (effect) {
        case kTitleScrollFromTop: EXPECT_TRUE(r.Left == s.Left && r.Top < s.Top); break;
        case kTitleScrollFromBottom: EXPECT_TRUE(r.Left == s.Left && r.Top > s.Top); break;
        case kTitleScrollFromLeft: EXPECT_TRUE(r.Top == s.Top && r.Left < s.Left); break;
        case kTitleScrollFromRight: EXPECT_TRUE(r.Top == s.Top && r.Left > s.Left); break;
        }
        // The whole block, moved (without fade-in it is drawn at full strength).
        EXPECT_EQ(Mismatches(title.Screen, Reference(), r, s.Left - r.Left, s.Top - r.Top), 0);
    }
}

TEST_F(TitleTest, StretchOutShrinksTheWholeBlockWithoutInBetweenColours) {
    Prepare(kTitleStretchOut);
    StepAt(0);
    EXPECT_EQ(InkBounds(title.Screen), tMyRect{}) << "nothing at progress 0";
    StepAt(2250);
    const tMyRect r = title.LastRect, s = title.SettledRect();
    EXPECT_NEAR(r.Width(), s.Width() / 2, 1);
    EXPECT_NEAR(r.Height(), s.Height() / 2, 1);
    const tMyRect ink = InkBounds(title.Screen);
    EXPECT_TRUE(ink.Left >= r.Left && ink.Right <= r.Right && ink.Top >= r.Top && ink.Bottom <= r.Bottom);
    // Every line is still there, squeezed: ink spans most of the shrunk rectangle.
    EXPECT_GT(ink.Width(), r.Width() * 3 / 4);
    EXPECT_GT(ink.Height(), r.Height() / 2);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const tColour c = title.Screen.Pixel(x, y);
            ASSERT_TRUE(c == kBlack || c == kWhite) << x << "," << y;
        }
    }
}

TEST_F(TitleTest, FadeInRaisesTheAlphaWithTheProgress) {
    Prepare(0, 1, true);
    StepAt(0);
    EXPECT_EQ(BrightestChannel(title.Screen), 0);
    StepAt(2250); // progress 50: alpha 127 of white over black
    EXPECT_EQ(BrightestChannel(title.Screen), (255 * 127) >> 8);

    Prepare(0, 1, false);
    StepAt(0);
    EXPECT_EQ(BrightestChannel(title.Screen), 255) << "full strength from the first frame";
}

TEST_F(TitleTest, FadeOutLowersTheAlphaOrLetsTheTitleVanishAtOnce) {
    for (bool fadeOut : {true, false}) {
        SCOPED_TRACE(fadeOut);
        Prepare(0, 1, false, fadeOut);
        StepAt(4500);
        StepAt(5501);
        ASSERT_TRUE(title.FadingOut);
        StepAt(5501 + 300); // d = 100
        EXPECT_EQ(BrightestChannel(title.Screen), fadeOut ? (255 * 155) >> 8 : 255);
        StepAt(5501 + 762);
        EXPECT_EQ(BrightestChannel(title.Screen), fadeOut ? (255 * 1) >> 8 : 255);
        EXPECT_TRUE(StepAt(5501 + 765));
        EXPECT_EQ(BrightestChannel(title.Screen), 0);
    }
}

TEST_F(TitleTest, NotRunningHoldsTheStart) {
    Prepare(kTitleRevealFromLeft);
    for (int64_t t = 0; t <= 20000; t += 5000) {
        EXPECT_FALSE(StepAt(t, false));
        EXPECT_FALSE(title.Revealed);
        EXPECT_EQ(title.LastRect.Width(), 0) << "nothing uncovered while held";
    }
    EXPECT_FALSE(StepAt(20000 + 4400));
    EXPECT_FALSE(title.Revealed) << "the reveal starts when running starts";
    EXPECT_GT(title.LastRect.Width(), title.BlockWidth * 9 / 10);
    StepAt(20000 + 4600);
    EXPECT_TRUE(title.Revealed);
}

TEST_F(TitleTest, EmptyTitleShowsOnlyTheBackgroundAndStillEnds) {
    for (int effect :
         {kTitleRevealFromTop, kTitleRevealVertically, kTitleRevealFromRight, kTitleStretchOut}) {
        SCOPED_TRACE(effect);
        Prepare(effect, 1, false, true, "", "", "");
        EXPECT_EQ(title.BlockHeight, 0);
        bool over = false;
        for (int64_t t = 0; t <= 8000 && !over; t += 40) {
            over = StepAt(t);
            if (t % 1000 == 0) {
                ASSERT_EQ(InkBounds(title.Screen), tMyRect{});
            }
        }
        EXPECT_TRUE(over) << "an empty title must not hold the window for ever";
    }
}

// The picture shows only when the song asks for it during the title and has it enabled.
TEST_F(TitleTest, BackgroundPictureOrColour) {
    Bitmap tile(2, 2, tPixelFormat::Bits24); // tiled: each pixel shows where it came from
    tile.SetPixel(0, 0, 0x0000FF);
    tile.SetPixel(1, 0, 0x00FF00);
    tile.SetPixel(0, 1, 0xFF0000);
    tile.SetPixel(1, 1, 0x808080);
    tLyrimoData song;
    tSongSettings& s = song.SongSettings;
    s.setPlayWidth(kWidth);
    s.setBackgroundColour(0x102030);
    s.setBackgroundTile(1);
    s.setBackgroundFileName("back.png");
    song.BackgroundStream = EncodePng(tile);
    song.SetSongName("Song");
    for (int flags = 0; flags < 4; ++flags) {
        s.setBackgroundDuringTitle(flags & 1);
        s.setBackgroundEnabled(flags >> 1);
        PrepareTitleForSong(title, song, true, kWidth, kHeight);
        title.Step(target, true, true);
        if (flags == 3) {
            EXPECT_EQ(target.Pixel(0, 0), tColour(0x0000FF));
            EXPECT_EQ(target.Pixel(3, 0), tColour(0x00FF00));
            EXPECT_EQ(target.Pixel(kWidth - 2, kHeight - 1), tColour(0xFF0000));
            EXPECT_EQ(target.Pixel(5, 7), tColour(0x808080));
        } else {
            EXPECT_EQ(target.Pixel(0, 0), tColour(0x102030)) << flags;
            EXPECT_EQ(target.Pixel(kWidth - 1, kHeight - 1), tColour(0x102030)) << flags;
        }
    }
}

TEST_F(TitleTest, PrepareForSongTakesEverySettingFromTheSong) {
    tLyrimoData song;
    tSongSettings& s = song.SongSettings;
    s.setTitleEffect(14);
    s.setTitleEffectSpeed(3);
    s.setTitleFadeIn(1);
    s.setTitleFadeOut(0);
    s.setRightToLeft(1);
    s.setPlayWidth(kWidth);
    s.setTitleFontCharset(204);
    s.setUnicodeText(0);
    song.SetSongName(QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2")); // "Привет" in Windows-1251
    song.SetArtistName("Artist");
    song.SetSongYear("2001");
    PrepareTitleForSong(title, song, true, kWidth, kHeight);
    EXPECT_EQ(title.Lines[0], QString::fromUtf8("Привет"));
    EXPECT_EQ(title.Lines[1], "Artist");
    EXPECT_EQ(title.Lines[2], "2001");
    EXPECT_EQ(title.EffectKind(), 1);
    EXPECT_EQ(title.Speed, 4);
    EXPECT_TRUE(title.FadeIn);
    EXPECT_FALSE(title.FadeOut);
    EXPECT_TRUE(title.RightToLeft);
    EXPECT_EQ(title.Font.Charset(), 204);
    EXPECT_EQ(title.Font.Size(), 16) << "the new song's title font, unscaled at its play width";
    EXPECT_EQ(title.Font.Colour(), kWhite);

    s.setUnicodeText(1);
    song.SetWideSongName(QString::fromUtf8("日本の歌"));
    PrepareTitleForSong(title, song, true, kWidth, kHeight);
    EXPECT_EQ(title.Lines[0], QString::fromUtf8("日本の歌"));

    tFontRecord unset = s.TitleFont(); // an empty name and size read as Arial 28
    unset.setname("");
    unset.setsize(0);
    s.setTitleFont(unset);
    PrepareTitleForSong(title, song, false, kWidth, kHeight);
    EXPECT_EQ(title.Font.Name(), "Arial");
    EXPECT_EQ(title.Font.Size(), 28);
    EXPECT_TRUE(title.Lines[0].isEmpty() && title.Lines[1].isEmpty() && title.Lines[2].isEmpty());
    EXPECT_EQ(title.Screen.Width(), kWidth);
    EXPECT_EQ(title.Screen.Height(), kHeight);
}

QString GoldenFolder() { return test::TestDataFolder("render/title"); }

// The settled title compared pixel for pixel with a kept picture: smooth text for the
// reveals, hard-edged text for "Stretch Out", over a tiled picture.
TEST_F(TitleTest, SettledTitleMatchesTheKeptPictures) {
    Bitmap tile(8, 8, tPixelFormat::Bits24);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            tile.SetPixel(x, y, (x + y) % 2 ? 0x402010 : 0x603018);
    }
    for (int effect : {int(kTitleRevealFromCorners), int(kTitleStretchOut)}) {
        title.Prepare(effect, 1, true, "tile.png", EncodePng(tile), 0x402010, false, "1985", "Some Artist",
                      "Title Song", 0, tTitleFont{"Arial", 18, kFontBold, 0x40E0FF}, true, true, false, true,
                      320, 240, 320);
        start = g_now;
        StepAt(6000);
        ASSERT_TRUE(title.Revealed);
        const QString path = GoldenFolder() + QString("/settled_effect%1.png").arg(effect);
        if (qEnvironmentVariableIsSet("LYRIMO_UPDATE_GOLDEN")) {
            QDir().mkpath(GoldenFolder());
            ASSERT_TRUE(SavePng(title.Screen, path)) << qPrintable(path);
            continue;
        }
        Bitmap expected;
        ASSERT_TRUE(LoadPng(path, expected))
            << "missing " << qPrintable(path) << " (run with LYRIMO_UPDATE_GOLDEN=1 to make it)";
        ConvertPixelFormat(expected, tPixelFormat::Bits24);
        if (!(expected == title.Screen)) {
            const QString actual = test::ScratchFolder() + QString("/settled_effect%1.png").arg(effect);
            SavePng(title.Screen, actual);
            ADD_FAILURE() << "effect " << effect << " differs; drawn picture kept at " << qPrintable(actual);
        }
    }
}

} // namespace
} // namespace lyrimo
