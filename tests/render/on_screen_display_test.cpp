// The message over the lyrics after a playback command: where its box lies at small and large
// sizes, which rectangles the composer reports while it appears, stays and goes, and one frame
// with it compared with a kept picture.
#include "render/frame_composer.h"

#include "golden_pictures.h"
#include "part_playback_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lyrimo {
namespace {

using test::Sung;

constexpr int kWidth = 640;
constexpr int kHeight = 360;

class OnScreenDisplay : public ::testing::Test {
protected:
    void SetUp() override { test::ResetPlaybackSettings(); }
    void TearDown() override { test::ResetPlaybackSettings(); }

    static std::vector<tMyRect> Copy(const tChangesList& changes) { return {changes.begin(), changes.end()}; }
    static bool Lists(const tChangesList& changes, const tMyRect& rect) {
        return std::find(changes.begin(), changes.end(), rect) != changes.end();
    }
    static const tChangesList& ComposeAt(tFrameComposer& composer, int32_t time, int64_t clock,
                                         const tOnScreenText& message = {}) {
        tComposerInput input;
        input.mediaTime = time;
        input.full = time == 0;
        input.onScreen = message;
        input.clock = clock;
        const tChangesList& changes = composer.Compose(input);
        composer.PrepareWantedLines();
        return changes;
    }
    static bool SamePixels(const Bitmap& a, const Bitmap& b, const tMyRect& rect) {
        for (int y = rect.Top; y < rect.Bottom; ++y)
            for (int x = rect.Left; x < rect.Right; ++x)
                if (a.Pixel(x, y) != b.Pixel(x, y))
                    return false;
        return true;
    }
};

TEST_F(OnScreenDisplay, BoxSitsAtTheBottomCentreAndGrowsWithTheScreen) {
    int previousTextHeight = 0;
    for (auto [width, height] : {std::pair{640, 360}, std::pair{1920, 1080}}) {
        const tMyRect area{0, 0, width, height};
        tOnScreenDisplay display(area);
        const tMyRect box = display.BoxFor("Speed +10%");
        ASSERT_FALSE(box.IsEmpty());
        EXPECT_NEAR((box.Left + box.Right) / 2, width / 2, 1);
        EXPECT_GT(box.Top, height * 3 / 4) << "near the bottom";
        EXPECT_LT(box.Bottom, height);
        EXPECT_GT(box.Width(), display.Font().TextWidth("Speed +10%"));
        EXPECT_GE(display.Font().Height() * 100 / height, 4) << "readable at " << height;
        EXPECT_GT(display.Font().Height(), previousTextHeight * 2);
        previousTextHeight = display.Font().Height();
        EXPECT_TRUE(display.BoxFor(QString()).IsEmpty());
    }
    // A lower lyrics area takes the box with it; a text wider than the area is cut to it.
    tOnScreenDisplay lower(tMyRect{0, 200, 640, 360});
    EXPECT_GT(lower.BoxFor("Paused").Top, 300);
    const tMyRect wide = lower.BoxFor(QString(200, 'W'));
    EXPECT_EQ(wide.Left, 0);
    EXPECT_EQ(wide.Right, 640);
}

TEST_F(OnScreenDisplay, ChangesWhenItAppearsAndWhenItGoesAndCostsNothingOtherwise) {
    auto song = test::MakeSong({Sung("twinkle twinkle", 1000, 2000), Sung("little star", 3400)});
    tFrameComposer withMessage(song.get(), kWidth, kHeight, test::ComposerSetup());
    tFrameComposer without(song.get(), kWidth, kHeight, test::ComposerSetup());

    const tOnScreenText paused{"Paused   00:01 / 00:05", 5000};
    int64_t clock = 4000;
    tMyRect box;
    int framesListingBox = 0;
    for (int32_t t = 0; t <= 4000; t += 40, clock += 40) {
        const tChangesList& expected = ComposeAt(without, t, clock);
        const tChangesList& changes = ComposeAt(withMessage, t, clock, paused);
        const bool showing = clock >= 5000 && clock < 7000;
        EXPECT_EQ(!withMessage.OnScreenBox().IsEmpty(), showing) << "at clock " << clock;
        if (clock < 5000) {
            EXPECT_EQ(Copy(changes), Copy(expected)) << "nothing shown, nothing added at clock " << clock;
            continue;
        }
        if (clock == 5000) {
            box = withMessage.OnScreenBox();
            EXPECT_TRUE(Lists(changes, box)) << "the box appears";
            const tColour inside = withMessage.Frame().Pixel(box.Left + box.Width() / 8, box.Top + 2);
            EXPECT_EQ(inside, Bitmap::ColourOf(Bitmap::PixelValue(0x202020, withMessage.Format()),
                                               withMessage.Format()));
        }
        if (showing) {
            EXPECT_EQ(withMessage.OnScreenBox(), box) << "the box stays put";
            EXPECT_FALSE(SamePixels(withMessage.Frame(), without.Frame(), box)) << "drawn at clock " << clock;
        } else {
            EXPECT_TRUE(SamePixels(withMessage.Frame(), without.Frame(), box)) << "gone at clock " << clock;
        }
        if (clock == 7000) {
            EXPECT_TRUE(Lists(changes, box)) << "the box's place is repainted once it has gone";
        }
        framesListingBox += Lists(changes, box);
        if (clock > 7040) {
            EXPECT_EQ(Copy(changes), Copy(expected)) << "nothing left over at clock " << clock;
        }
    }
    // Shown, copied again on the next frame, gone, copied again on the next frame: no more.
    EXPECT_EQ(framesListingBox, 4);
}

TEST_F(OnScreenDisplay, ANewMessageReplacesTheShownOne) {
    auto song = test::MakeSong({Sung("twinkle twinkle", 1000, 2000)});
    tFrameComposer composer(song.get(), kWidth, kHeight, test::ComposerSetup());
    ComposeAt(composer, 0, 100, {"Speed +10%", 100});
    const tMyRect first = composer.OnScreenBox();
    ComposeAt(composer, 40, 140, {"Speed +10%", 100});
    ComposeAt(composer, 80, 1800, {"Speed +10%", 100});
    const tChangesList& changes = ComposeAt(composer, 120, 1900, {"Speed +20%", 1900});
    EXPECT_TRUE(Lists(changes, composer.OnScreenBox())) << "the new text reaches the screen";
    // The second message is timed from when it was set, not from the first.
    ComposeAt(composer, 160, 3000, {"Speed +20%", 1900});
    EXPECT_FALSE(composer.OnScreenBox().IsEmpty());
    EXPECT_EQ(composer.OnScreenBox().Top, first.Top);
    ComposeAt(composer, 200, 3900, {"Speed +20%", 1900});
    EXPECT_TRUE(composer.OnScreenBox().IsEmpty());
}

TEST_F(OnScreenDisplay, FrameWithTheMessageMatchesTheKeptPicture) {
    auto song =
        test::MakeSong({Sung("Twinkle twinkle", 1000, 2000), Sung("little star", 3200, 1600)}, 480, 22);
    song->SongSettings.setBackgroundColour(0x402010);
    tLyricsData* part = song->GetPart(0);
    for (int i = 0; i < part->LineCount(); ++i)
        part->GetLine(i)->LineRecord.setHighlightBackground(0x402010);
    tFrameComposer composer(song.get(), 480, 270, test::ComposerSetup());
    for (int32_t t = 0; t <= 2000; t += 40)
        ComposeAt(composer, t, t, {"Paused   00:02 / 00:05", 1900});
    test::ExpectMatchesGolden(composer.Frame(), test::TestDataFolder("render/frames"),
                              "osd_paused_2000ms.png");
}

} // namespace
} // namespace lyrimo
