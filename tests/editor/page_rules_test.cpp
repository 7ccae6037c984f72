// The media, background, advanced and title pages' mappings and Save As filters.
#include "editor/page_rules.h"

#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace lyrimo;

TEST(PageRules, PreferredPlayerListMapsToStoredPlayersAndBack) {
    for (int choice = 0; choice < 6; ++choice)
        EXPECT_EQ(PreferredPlayerChoice(PreferredPlayerOfChoice(choice)), choice);
    EXPECT_EQ(PreferredPlayerChoice(4), 2);
    EXPECT_EQ(PreferredPlayerOfChoice(5), 2);
    EXPECT_EQ(PreferredPlayerChoice(9), 0);
    EXPECT_EQ(PreferredPlayerOfChoice(6), 0);
}

TEST(PageRules, MediaTypeSetsBothFlagsAndVideoOnlyScreenSharing) {
    tSongSettings s;
    s.setFullScreenVideo(true);
    SetMediaType(s, kMediaAudio);
    EXPECT_EQ(MediaTypeOf(s), kMediaAudio);
    EXPECT_FALSE(s.FullScreenVideo());
    SetMediaType(s, kMediaVideo);
    EXPECT_TRUE(s.UseMediaFile() && s.HasVideo());
    EXPECT_TRUE(SharesScreen(s));
    s.setFullScreenVideo(true);
    EXPECT_FALSE(SharesScreen(s));
    s.setSlideShowEnabled(true);
    EXPECT_TRUE(SharesScreen(s));
    s.setFullScreenSlideShow(true);
    EXPECT_FALSE(SharesScreen(s));
    SetMediaType(s, kMediaCd);
    EXPECT_FALSE(s.UseMediaFile() || s.HasVideo());
}

TEST(PageRules, TitleEffectWrapsAndEmptyTitleShowsExample) {
    EXPECT_EQ(TitleEffectChoice(12), 12);
    EXPECT_EQ(TitleEffectChoice(14), 1);
    EXPECT_EQ(ExampleTitleTexts({}).songName, "Example Title Text");
    const tTitleTexts yearOnly{{}, {}, "1999"};
    EXPECT_EQ(ExampleTitleTexts(yearOnly).songName, "");
    EXPECT_EQ(ExampleTitleTexts(yearOnly).year, "1999");
}

TEST(PageRules, SaveAsFiltersNameTheExtension) {
    EXPECT_EQ(EmbeddedMediaFilter(".mp3"), ".mp3 files |*.mp3|All Files (*.*)|*.*");
    EXPECT_EQ(BackgroundPictureFilter(".png"), "png Files (*.png)|*.png|All Files|*.*");
}

TEST(PageRules, SameFileIgnoresCaseAndFollowsLinks) {
    EXPECT_TRUE(IsSameFile("/tmp/Media.MP3", "/tmp/media.mp3"));
    const QString folder = test::ScratchFolder() + "/page-rules";
    QDir().mkpath(folder);
    QFile(folder + "/temp.mp3").open(QIODevice::WriteOnly);
    QFile::remove(folder + "/link.mp3");
    QFile::link(folder + "/temp.mp3", folder + "/link.mp3");
    EXPECT_TRUE(IsSameFile(folder + "/link.mp3", folder + "/temp.mp3"));
    EXPECT_FALSE(IsSameFile(folder + "/other.mp3", folder + "/temp.mp3"));
}

TEST(PageRules, LyricsExampleTakesThePartsLookAndItsFirstLinesColours) {
    tLyrimoData song, example;
    tLyricsData& part = *song.GetPart(0);
    part.PartExtras.setTextMode(3);
    part.PartRecord.setStartOffset(500);
    song.SongSettings.setAltDrawMode(1);
    RefreshLyricsExample(example, song, 0);
    ASSERT_EQ(example.PartCount(), 1);
    const tLyricsData& shown = *example.GetPart(0);
    EXPECT_EQ(shown.PartExtras.TextMode(), 3);
    EXPECT_EQ(shown.PartRecord.StartOffset(), 0);
    EXPECT_EQ(example.SongSettings.AltDrawMode(), 1);
    EXPECT_EQ(example.ExtraBreakChar(), u'-');
    ASSERT_EQ(shown.LineCount(), 1);
    const tTimingsLineType& line = *shown.GetLine(0);
    EXPECT_EQ(line.Text(), kExampleLyricsText);
    ASSERT_EQ(line.TimingCount(), 7);
    EXPECT_EQ(line.GetTiming(6).Position(), 34);
    EXPECT_EQ(line.GetTiming(6).Delta(), 3000);
    EXPECT_EQ(line.LineRecord.HighlightColour(), 0x00FF00);

    tTimingsLineType& first = *part.AddLine();
    first.LineRecord.setHighlightColour(0x123456);
    EXPECT_FALSE(HasRealExampleLine(part));
    RefreshLyricsExample(example, song, 0);
    EXPECT_EQ(example.GetPart(0)->GetLine(0)->LineRecord.HighlightColour(), 0x123456);
    EXPECT_EQ(example.GetPart(0)->LineCount(), 1);
    first.LineRecord.setText("Twinkle");
    EXPECT_FALSE(HasRealExampleLine(part));
    first.AddTiming(tTimingRecord());
    EXPECT_TRUE(HasRealExampleLine(part));
}
