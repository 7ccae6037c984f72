// The line renderer: where the wipe stands at a time, what each text mode shows sung, the
// colour decisions against the key colour, the widening at breaks and the shapes.
#include "lyrics_test_song.h"

#include "app/app_services.h"
#include "render/colour_rules.h"
#include "render/drawing_utils.h"

#include <gtest/gtest.h>

namespace lyrimo {
namespace {

using namespace test;

int WidthUpTo(const tLyricsPlayback& r, int glyphs) {
    return glyphs <= 0 ? 0 : r.Wrapper().Whole().RangeWidth(1, glyphs);
}

// The example of a line sung from boundary 2 to boundary 5 in one second.
TEST(LyricsWipe, FollowsTheTimingsAndFinishesEarly) {
    auto song = MakeSong({{"Twinkle twinkle", 10000, {{2, 1000}, {5, 2000}, {15, 3000}}}});
    tLyricsPlayback r;
    Prepare(r, *song, 0);
    const double w2 = WidthUpTo(r, 2), w5 = WidthUpTo(r, 5);
    ASSERT_GT(w5, w2);

    EXPECT_EQ(r.WipePosition(9000, kDefaultEndEarlyMargin), 0);
    EXPECT_EQ(r.WipePosition(10000, kDefaultEndEarlyMargin), 0);
    // Before the first timing the wipe runs from the line's start to that timing.
    EXPECT_DOUBLE_EQ(r.WipePosition(10500, kDefaultEndEarlyMargin), w2 / 2);
    EXPECT_DOUBLE_EQ(r.WipePosition(11000, kDefaultEndEarlyMargin), w2);
    EXPECT_DOUBLE_EQ(r.WipePosition(11500, kDefaultEndEarlyMargin), w2 + (w5 - w2) / 2);
    EXPECT_DOUBLE_EQ(r.WipePosition(12000, kDefaultEndEarlyMargin), w5);
    // Finished the end-early margin (40) before the last timing.
    EXPECT_GT(r.WipePosition(12959, 40), w5);
    EXPECT_EQ(r.WipePosition(12960, 40), -1);
    EXPECT_EQ(r.WipePosition(12700, 300), -1);
    EXPECT_GT(r.WipePosition(12699, 300), 0);
}

TEST(LyricsWipe, LinesWithoutTimingsRunToTheNextLine) {
    auto song = MakeSong({{"First line", 1000, {}}, {"Last line", 5001, {}}});
    tLyricsPlayback r;
    Prepare(r, *song, 0);
    const double total = WidthUpTo(r, r.Wrapper().Whole().GlyphCount());
    // From the start to one ms before the next line: 4000 ms.
    EXPECT_DOUBLE_EQ(r.WipePosition(3000, kDefaultEndEarlyMargin), total / 2);
    EXPECT_GT(r.WipePosition(4959, kDefaultEndEarlyMargin), 0);
    EXPECT_EQ(r.WipePosition(4960, kDefaultEndEarlyMargin), -1);

    // The last line takes 1000 ms.
    Prepare(r, *song, 1);
    const double last = WidthUpTo(r, r.Wrapper().Whole().GlyphCount());
    EXPECT_DOUBLE_EQ(r.WipePosition(5001 + 500, kDefaultEndEarlyMargin), last / 2);
    EXPECT_EQ(r.WipePosition(5001 + 960, kDefaultEndEarlyMargin), -1);
}

TEST(LyricsWipe, GlyphLookupsAlongTheLine) {
    auto song = MakeSong({{"Twinkle twinkle", 1000, {{0, 0}, {8, 1000}, {15, 2000}}}});
    tLyricsPlayback r;
    Prepare(r, *song, 0);
    const int w1 = WidthUpTo(r, 1), w2 = WidthUpTo(r, 2);
    // Glyph i holds the pixels after the first i - 1 glyphs, up to its own end.
    EXPECT_EQ(r.GlyphAtPixel(0), 0);
    EXPECT_EQ(r.GlyphAtPixel(1), 1);
    EXPECT_EQ(r.GlyphAtPixel(w1), 1);
    EXPECT_EQ(r.GlyphAtPixel(w1 + 1), 2);
    EXPECT_EQ(r.GlyphAtPixel(w2), 2);
    EXPECT_EQ(r.GlyphAtPixel(r.TotalWidth() + 5), 0);

    // Words: from the space before to the last letter.
    const int inSecondWord = r.GlyphAtPixel(WidthUpTo(r, 10));
    EXPECT_EQ(r.ExtendToBreaks(inSecondWord, -1, false), 8);
    EXPECT_EQ(r.ExtendToBreaks(inSecondWord, 1, false), 15);
    EXPECT_EQ(r.ExtendToBreaks(3, -1, false), 0);
    EXPECT_EQ(r.ExtendToBreaks(3, 1, false), 7);
    EXPECT_TRUE(r.BreakAtPixel(WidthUpTo(r, 7), 1));  // a space follows "Twinkle"
    EXPECT_FALSE(r.BreakAtPixel(WidthUpTo(r, 3), 1)); // mid-word
    EXPECT_TRUE(r.BreakAtPixel(0, 0));                // the start of the text

    int from = -1, to = -1;
    r.CurrentTimingRange(1500, from, to);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, 7); // the space before the next timing is not sung
    r.CurrentTimingRange(2500, from, to);
    EXPECT_EQ(from, 8);
    EXPECT_EQ(to, 15);
}

TEST(LyricsWipe, TimingRangesBeforeTheFirstTimingAndWithoutTimings) {
    auto song = MakeSong({{"Twinkle twinkle", 1000, {{7, 500}, {15, 1500}}}, {"No timings", 4000, {}}});
    tLyricsPlayback r;
    Prepare(r, *song, 0);
    int from = -1, to = -1;
    r.CurrentTimingRange(1200, from, to);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, 7);
    r.CurrentTimingRange(999, from, to);
    EXPECT_EQ(to, 0);

    // A line without timings is one unit, sung only once the line has begun.
    Prepare(r, *song, 1);
    r.CurrentTimingRange(3999, from, to);
    EXPECT_EQ(to, 0);
    r.CurrentTimingRange(4001, from, to);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, r.Wrapper().Whole().GlyphCount());
}

// Draws the prepared line for a time onto a black frame.
Bitmap DrawAt(tLyricsPlayback& r, int32_t time, bool* finished = nullptr, tChangesList* changes = nullptr,
              int32_t endEarlyMargin = kDefaultEndEarlyMargin) {
    Bitmap frame(r.UnsungImage().Width(), r.UnsungImage().Height(), WorkingPixelFormat());
    frame.Fill(kBlack);
    bool done = r.DrawFrame(frame, time, endEarlyMargin, 255, changes, frame.Height(), 0, nullptr, true);
    if (finished)
        *finished = done;
    return frame;
}

// Two renderers of one line in one process, drawn for the same time with different margins:
// the one with the wider margin has finished the line, the other is still wiping it.
TEST(LyricsWipe, TheEndEarlyMarginIsAnInputOfEachDraw) {
    auto song = MakeSong({{"Twinkle twinkle", 1000, {{0, 0}, {15, 2000}}}});
    tLyricsPlayback narrow, wide;
    Prepare(narrow, *song, 0);
    Prepare(wide, *song, 0);
    bool narrowDone = true, wideDone = false;
    const Bitmap wiping = DrawAt(narrow, 2800, &narrowDone, nullptr, 40);
    const Bitmap finished = DrawAt(wide, 2800, &wideDone, nullptr, 300);
    EXPECT_FALSE(narrowDone);
    EXPECT_TRUE(wideDone);
    EXPECT_GT(SpanOf(wiping, kRed).count, 0) << "the end of the line is still unsung";
    EXPECT_EQ(SpanOf(finished, kRed).count, 0) << "the whole line is sung";
    EXPECT_GT(narrow.WipePosition(2800, 40), 0);
    EXPECT_EQ(narrow.WipePosition(2800, 300), -1) << "the same renderer answers for the margin it is given";
}

struct tModeCase {
    std::unique_ptr<tLyrimoData> song;
    tLyricsPlayback r;
};

void PrepareMode(tModeCase& c, int mode) {
    c.song = MakeSong({{"Twinkle twinkle little", 1000, {{0, 0}, {8, 1000}, {16, 2000}, {22, 3000}}}});
    c.song->GetPart(0)->PartExtras.setTextMode(uint8_t(mode));
    Prepare(c.r, *c.song, 0);
    ASSERT_EQ(c.r.Wrapper().RowCount(), 1);
}

TEST(LyricsModes, HighlightLineSingsUpToTheWipe) {
    tModeCase c;
    PrepareMode(c, 1);
    const int row = c.r.Wrapper().Row(0).RowX;
    const int wipeX = row + int(c.r.WipePosition(1500, kDefaultEndEarlyMargin));
    Bitmap frame = DrawAt(c.r, 1500);
    tColourSpan sung = SpanOf(frame, kGreen), unsung = SpanOf(frame, kRed);
    ASSERT_GT(sung.count, 0);
    ASSERT_GT(unsung.count, 0);
    EXPECT_LT(sung.right, wipeX);
    EXPECT_GE(unsung.left, wipeX);

    bool finished = false;
    frame = DrawAt(c.r, 3960, &finished);
    EXPECT_TRUE(finished);
    EXPECT_EQ(SpanOf(frame, kRed).count, 0);
    EXPECT_GT(SpanOf(frame, kGreen).count, 0);
}

TEST(LyricsModes, StaticAndRevealLine) {
    tModeCase still;
    PrepareMode(still, 0);
    Bitmap frame = DrawAt(still.r, 1500);
    EXPECT_EQ(SpanOf(frame, kGreen).count, 0);
    EXPECT_GT(SpanOf(frame, kRed).count, 0);

    tModeCase reveal;
    PrepareMode(reveal, 2);
    const int wipeX =
        reveal.r.Wrapper().Row(0).RowX + int(reveal.r.WipePosition(1500, kDefaultEndEarlyMargin));
    frame = DrawAt(reveal.r, 1500);
    EXPECT_EQ(SpanOf(frame, kRed).count, 0);
    tColourSpan sung = SpanOf(frame, kGreen);
    EXPECT_GT(sung.count, 0);
    EXPECT_LT(sung.right, wipeX);
    // Before the line starts nothing of it shows.
    frame = DrawAt(reveal.r, 500);
    EXPECT_EQ(SpanOf(frame, kGreen).count + SpanOf(frame, kRed).count, 0);
}

// Modes that show only the current unit sung: the green pixels lie inside [from, to).
void ExpectOnlyUnitSung(tModeCase& c, int32_t time, int fromGlyphs, int toGlyphs) {
    const int row = c.r.Wrapper().Row(0).RowX;
    Bitmap frame = DrawAt(c.r, time);
    tColourSpan sung = SpanOf(frame, kGreen), unsung = SpanOf(frame, kRed);
    ASSERT_GT(sung.count, 0) << "time " << time;
    EXPECT_GE(sung.left, row + WidthUpTo(c.r, fromGlyphs)) << "time " << time;
    EXPECT_LT(sung.right, row + WidthUpTo(c.r, toGlyphs)) << "time " << time;
    // Earlier and later text keeps the unsung look.
    EXPECT_LT(unsung.left, row + WidthUpTo(c.r, fromGlyphs)) << "time " << time;
    if (toGlyphs < c.r.Wrapper().Whole().GlyphCount()) {
        EXPECT_GE(unsung.right, row + WidthUpTo(c.r, toGlyphs)) << "time " << time;
    }
}

TEST(LyricsModes, WordsCharactersAndTimingsShowOnlyTheCurrentUnit) {
    tModeCase words;
    PrepareMode(words, 4);
    ExpectOnlyUnitSung(words, 2500, 8, 15); // within "twinkle"

    tModeCase blocks;
    PrepareMode(blocks, 5);
    ExpectOnlyUnitSung(blocks, 2500, 8, 15);

    tModeCase characters;
    PrepareMode(characters, 3);
    const int g = characters.r.GlyphAtPixel(int(characters.r.WipePosition(2500, kDefaultEndEarlyMargin)));
    ASSERT_GT(g, 8);
    ExpectOnlyUnitSung(characters, 2500, g - 1, g);

    tModeCase timings;
    PrepareMode(timings, 6);
    ExpectOnlyUnitSung(timings, 3500, 16, 22); // "little", from the timing at 2000
}

TEST(LyricsModes, RightToLeftLinesAreWipedFromTheRight) {
    auto song = MakeSong({{QString::fromUtf8("שלום עולם"), 1000, {{0, 0}, {9, 2000}}}});
    song->SongSettings.setRightToLeft(1);
    tLyricsPlayback r;
    Prepare(r, *song, 0);
    const tUnicodeFontEngine& row = r.Wrapper().Row(0);
    const int wipeX = row.RowX + row.RowWidth - int(r.WipePosition(2000, kDefaultEndEarlyMargin));
    Bitmap frame = DrawAt(r, 2000);
    tColourSpan sung = SpanOf(frame, kGreen), unsung = SpanOf(frame, kRed);
    ASSERT_GT(sung.count, 0);
    ASSERT_GT(unsung.count, 0);
    EXPECT_GE(sung.left, wipeX);
    EXPECT_LT(unsung.right, wipeX);
}

// Shadows and outlines of the last letter of a range reach past it; a range that ends at a
// break is widened to cover them, one that ends inside a word is not.
TEST(LyricsCopy, RangesEndingAtBreaksAreWidened) {
    auto song = MakeSong({{"Twinkle twinkle little", 1000, {}}});
    tLyricsData* part = song->GetPart(0);
    part->PartExtras.setTextFormat(5);
    part->PartExtras.setTextSpacing(3);
    tLineSetup setup;
    setup.Wipe.AddPixels = 2;
    tLyricsPlayback r;
    Prepare(r, *song, 0, 400, 80, false, setup);
    ASSERT_EQ(r.Effects().LeftExtra, 3);
    ASSERT_EQ(r.Effects().RightExtra, 3);
    const tUnicodeFontEngine& row = r.Wrapper().Row(0);
    Bitmap frame(400, 80, WorkingPixelFormat());

    tChangesList word;
    r.CopyWipeRange(tLyricsPlayback::tLook::Sung, WidthUpTo(r, 8), WidthUpTo(r, 15), true, true, frame, 255,
                    &word, 80, 10, nullptr);
    ASSERT_EQ(word.Count(), 1);
    EXPECT_EQ(word[0].Left, row.RowX + WidthUpTo(r, 8) - 3 - 2);
    EXPECT_EQ(word[0].Right, row.RowX + WidthUpTo(r, 15) + 3 + 3 + 2);
    EXPECT_EQ(word[0].Top, row.RowY + r.Effects().Top + 10);

    tChangesList inner;
    r.CopyWipeRange(tLyricsPlayback::tLook::Sung, WidthUpTo(r, 9), WidthUpTo(r, 12), true, true, frame, 255,
                    &inner, 80, 0, nullptr);
    ASSERT_EQ(inner.Count(), 1);
    EXPECT_EQ(inner[0].Left, row.RowX + WidthUpTo(r, 9));
    EXPECT_EQ(inner[0].Right, row.RowX + WidthUpTo(r, 12));

    // Without the extension flags nothing is widened, and the clip height bounds the copy.
    tChangesList plain;
    r.CopyWipeRange(tLyricsPlayback::tLook::Sung, WidthUpTo(r, 8), WidthUpTo(r, 15), false, false, frame, 255,
                    &plain, 12, 0, nullptr);
    ASSERT_EQ(plain.Count(), 1);
    EXPECT_EQ(plain[0].Right, row.RowX + WidthUpTo(r, 15));
    EXPECT_EQ(plain[0].Bottom, 12);
}

int PixelsNot(const Bitmap& image, tColour colour) {
    int count = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            count += image.Pixel(x, y) != colour;
    return count;
}

TEST(LyricsColours, TextInTheBackgroundColour) {
    auto song = MakeSong({{"Twinkle", 0, {}}});
    song->GetPart(0)->GetLine(0)->LineRecord.setNormalColour(int32_t(kBlack));
    tLyricsPlayback r;

    // A see-through background takes text of its colour with it.
    Prepare(r, *song, 0);
    EXPECT_EQ(r.KeyColour(), kBlack);
    EXPECT_EQ(PixelsNot(r.UnsungImage(), kBlack), 0);

    // On an opaque background the text is nudged so that it still shows.
    song->SongSettings.setBackgroundTransparent(0);
    Prepare(r, *song, 0);
    EXPECT_EQ(r.KeyColour(), NearColour(kBlack, false));
    EXPECT_GT(PixelsNot(r.UnsungImage(), kBlack), 0);
    EXPECT_EQ(SpanOf(r.UnsungImage(), r.KeyColour()).count, 0);
}

TEST(LyricsColours, OpaqueBackgroundsCoverTheFrameBehindTheRow) {
    auto song = MakeSong({{"Twinkle", 0, {}}});
    tLyricsPlayback r;
    for (bool transparent : {true, false}) {
        song->SongSettings.setBackgroundTransparent(transparent);
        Prepare(r, *song, 0);
        const tUnicodeFontEngine& row = r.Wrapper().Row(0);
        Bitmap frame(400, 80, WorkingPixelFormat());
        frame.Fill(kBlue);
        r.DrawFrame(frame, 0, kDefaultEndEarlyMargin, 255, nullptr, 80, 0, nullptr, false);
        // The row's top left corner holds no ink.
        EXPECT_EQ(frame.Pixel(row.RowX, row.RowY), transparent ? kBlue : kBlack) << transparent;
        EXPECT_EQ(frame.Pixel(2, 2), kBlue) << transparent;
    }
}

TEST(LyricsColours, OverlayKeyColourOverFullScreenVideo) {
    constexpr tColour kMagenta = 0xFF00FF;
    auto song = MakeSong({{"Twinkle", 0, {}}});
    song->SongSettings.setFullScreenVideo(1);
    song->GetPart(0)->GetLine(0)->LineRecord.setNormalColour(int32_t(kMagenta));
    tLyricsPlayback r;
    r.Setup(song.get(), 0, tLineSetup{}, tLineRole{}, Images(400, 80, 80));
    r.PrepareLine(0, true, kMagenta, true);
    EXPECT_TRUE(r.TransparentMode());
    EXPECT_EQ(r.KeyColour(), kMagenta);
    EXPECT_EQ(r.UnsungImage().Pixel(0, 0), kMagenta); // the background is the key
    // Text of the key colour is nudged: it stays visible over the video.
    EXPECT_GT(PixelsNot(r.UnsungImage(), kMagenta), 0);

    // Without full-screen video there is nothing to see through to: the song's own
    // background is the key again.
    song->SongSettings.setFullScreenVideo(0);
    r.PrepareLine(0, true, kMagenta, true);
    EXPECT_FALSE(r.TransparentMode());
    EXPECT_EQ(r.KeyColour(), kBlack);
}

TEST(LyricsColours, ShadowsStayVisibleUnlessTheSongAllowsTransparentOnes) {
    auto song = MakeSong({{"Twinkle", 0, {}}});
    tLyricsData* part = song->GetPart(0);
    part->PartExtras.setTextFormat(4);
    part->GetLine(0)->LineRecord.setFormatColour(int32_t(kBlack));
    part->GetLine(0)->LineRecord.setHighlightFormatColour(int32_t(kBlack));
    tLyricsPlayback r;
    Prepare(r, *song, 0);
    const tColour near = NearColour(kBlack, false);
    EXPECT_GT(SpanOf(r.UnsungImage(), near).count, 0);
    EXPECT_GT(SpanOf(r.SungImage(), near).count, 0);

    song->SongSettings.setTransparentShadows(1);
    Prepare(r, *song, 0);
    EXPECT_EQ(SpanOf(r.UnsungImage(), near).count, 0);
    EXPECT_EQ(SpanOf(r.SungImage(), near).count, 0);
}

// On an opaque background the row is copied as a whole box; the bubble around the
// letters must still follow the letters rather than fill that box.
TEST(LyricsColours, BubbleWritingOutlinesTheLettersOnOpaqueBackgrounds) {
    auto song = MakeSong({{"Twinkle", 0, {}}});
    song->SongSettings.setBackgroundTransparent(0);
    song->SongSettings.setBackgroundColour(int32_t(kBlue));
    song->GetPart(0)->PartExtras.setTextFormat(5);
    tLyricsPlayback r;
    Prepare(r, *song, 0);
    const tUnicodeFontEngine& row = r.Wrapper().Row(0);
    EXPECT_GT(SpanOf(r.UnsungImage(), kWhite).count, 0);
    EXPECT_EQ(r.UnsungImage().Pixel(row.RowX - 1, row.RowY), kBlue);
    EXPECT_EQ(r.UnsungImage().Pixel(row.RowX + row.RowWidth, row.RowY + r.RowPitch() - 1), kBlue);
    EXPECT_EQ(r.SungImage().Pixel(row.RowX - 1, row.RowY), kBlack);
}

TEST(LyricsColours, BubbleReachesTheSpacingAroundTheLetters) {
    for (int spacing : {1, 3, 12}) {
        auto song = MakeSong({{"Twinkle", 0, {}}});
        song->GetPart(0)->PartExtras.setTextFormat(5);
        song->GetPart(0)->PartExtras.setTextSpacing(uint8_t(spacing));
        tLyricsPlayback r;
        Prepare(r, *song, 0, 400, 120);
        tColourSpan ink = SpanOf(r.UnsungImage(), kRed), bubble = SpanOf(r.UnsungImage(), kWhite);
        ASSERT_GT(ink.count, 0);
        EXPECT_EQ(bubble.left, ink.left - spacing) << spacing;
        EXPECT_EQ(bubble.right, ink.right + spacing) << spacing;
    }
}

TEST(LyricsShapes, RegionsHoldTheDrawnPixelsWhenAsked) {
    auto song = MakeSong({{"Twinkle twinkle", 1000, {{0, 0}, {15, 2000}}}});
    tLyricsPlayback r;
    Prepare(r, *song, 0, 400, 80, false);
    EXPECT_TRUE(r.UnsungRegion().IsEmpty());
    Bitmap frame(400, 80, WorkingPixelFormat());
    tRegion drawn;
    r.DrawFrame(frame, 1500, kDefaultEndEarlyMargin, 255, nullptr, 80, 0, &drawn, true);
    EXPECT_TRUE(drawn.IsEmpty());

    for (int format : {0, 3, 5}) {
        song->GetPart(0)->PartExtras.setTextFormat(uint8_t(format));
        Prepare(r, *song, 0, 400, 80, true);
        // On a see-through background the shape is exactly the pixels that are not the key.
        Bitmap unsung = r.UnsungImage(), sung = r.SungImage();
        EXPECT_EQ(r.UnsungRegion(), RegionOfNonKeyPixels(unsung, r.KeyColour())) << format;
        EXPECT_EQ(r.SungRegion(), RegionOfNonKeyPixels(sung, r.KeyColour())) << format;

        tRegion shape;
        r.DrawFrame(frame, 1500, kDefaultEndEarlyMargin, 255, nullptr, 80, 20, &shape, true);
        tRegion expected = r.UnsungRegion();
        expected.Unite(r.SungRegion());
        expected.Translate(0, 20);
        ASSERT_FALSE(shape.IsEmpty()) << format;
        tRegion outside = shape;
        outside.Subtract(expected);
        EXPECT_TRUE(outside.IsEmpty()) << format;
    }

    // On an opaque background the row's whole box belongs to the shape.
    song->SongSettings.setBackgroundTransparent(0);
    song->GetPart(0)->PartExtras.setTextFormat(0);
    Prepare(r, *song, 0, 400, 80, true);
    const tUnicodeFontEngine& row = r.Wrapper().Row(0);
    EXPECT_TRUE(r.UnsungRegion().Contains(row.RowX, row.RowY));
    EXPECT_FALSE(r.UnsungRegion().Contains(row.RowX - 2, row.RowY));
}

TEST(LyricsBall, SitsAboveTheWipeAndLeavesRoomForItself) {
    auto song = MakeSong({{"Twinkle twinkle", 1000, {{0, 0}, {15, 2000}}}});
    tLyricsData* part = song->GetPart(0);
    part->PartExtras.setBallStyle(2);
    part->PartRecord.setBallNumber(3);
    tLyricsPlayback r;
    r.Setup(song.get(), 0, tLineSetup{}, tLineRole{}, Images(400, 120, 500));
    r.PrepareLine(0, false, kBlack, false);
    ASSERT_TRUE(r.BallEnabled());
    ASSERT_GT(r.Ball().Height(), 0);
    EXPECT_EQ(r.BallHalfWidth(), r.Ball().FrameWidth / 2);
    EXPECT_EQ(r.BallSpace(), r.Ball().Height() + 500 * 80 / 1000 - r.InkTop());

    Bitmap frame(400, 120, WorkingPixelFormat());
    tChangesList changes;
    r.DrawFrame(frame, 1500, kDefaultEndEarlyMargin, 255, &changes, 120, r.BallSpace(), nullptr, true);
    const int centre = r.Wrapper().Row(0).RowX + int(r.WipePosition(1500, kDefaultEndEarlyMargin));
    bool found = false;
    for (const tMyRect& rect : changes) {
        if (rect.Width() == r.Ball().FrameWidth && rect.Height() == r.Ball().Height()) {
            found = true;
            EXPECT_EQ(rect.Left, centre - r.BallHalfWidth());
            EXPECT_GE(rect.Top, 0);
            EXPECT_LE(rect.Bottom, r.BallSpace() + r.InkTop());
        }
    }
    EXPECT_TRUE(found);

    part->PartRecord.setBallNoBounce(1);
    r.PrepareLine(0, false, kBlack, false);
    EXPECT_EQ(r.BallSpace(), r.Ball().Height() - r.InkTop());

    // Lines that are never highlighted have no ball.
    tLineRole neighbour;
    neighbour.IsPreview = true;
    neighbour.NoHighlight = true;
    r.Setup(song.get(), 0, tLineSetup{}, neighbour, Images(400, 120, 500));
    EXPECT_FALSE(r.BallEnabled());
}

TEST(LyricsLayout, MeasuringWrappingAndMissingLines) {
    auto song = MakeSong({{"Twinkle twinkle little star how I wonder what you are", 0, {}}});
    tLyricsPlayback r;
    tLineRole measuring;
    measuring.MeasureOnly = true;
    r.Setup(song.get(), 0, tLineSetup{}, measuring, Images(400, 200, 200));
    Bitmap before = r.UnsungImage();
    r.PrepareLine(0, false, kBlack, false);
    ASSERT_GT(r.Wrapper().RowCount(), 1);
    EXPECT_EQ(r.TextHeight(), r.Wrapper().Row(r.Wrapper().RowCount() - 1).RowY + r.RowPitch());
    EXPECT_TRUE(r.UnsungImage() == before); // measuring only paints nothing
    int sum = 0;
    for (int i = 0; i < r.Wrapper().RowCount(); ++i) {
        const tUnicodeFontEngine& row = r.Wrapper().Row(i);
        EXPECT_LE(row.RowWidth, 400 - 60);
        EXPECT_EQ(row.RowX, 200 - row.RowWidth / 2); // centred
        sum += row.RowWidth;
    }
    EXPECT_EQ(r.TotalWidth(), sum);

    // A line that does not exist is empty; drawing it draws nothing.
    tLyricsPlayback missing;
    Prepare(missing, *song, 7);
    EXPECT_EQ(missing.TotalWidth(), 0);
    Bitmap frame = DrawAt(missing, 500);
    EXPECT_EQ(PixelsNot(frame, kBlack), 0);
}

} // namespace
} // namespace lyrimo
