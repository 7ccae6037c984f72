#include "app/app_services.h"
#include "app/translation.h"
#include "document/song.h"
#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace lyrimo;

TEST(WideText, JoinsAndSplitsLowAndHighBytes) {
    EXPECT_EQ(JoinWideText("AB", QByteArray("\x04\x00", 2)), QString::fromUtf16(u"\u0441B"));
    // A high-byte string of another length is read as all zero.
    EXPECT_EQ(JoinWideText("ABC", QByteArray("\x04", 1)), QString("ABC"));
    EXPECT_EQ(JoinWideText("\xE9", {}), QString::fromUtf16(u"\u00E9"));

    tSplitText split = SplitWideText(QString::fromUtf16(u"\u0441z"), 80);
    EXPECT_EQ(split.low, QByteArray("\x41z"));
    EXPECT_EQ(split.high, QByteArray("\x04\x00", 2));
}

TEST(WideText, SongNameIsCutToEightyCharactersInBothHalves) {
    tLyrimoData song;
    song.SetWideSongName(QString(100, QChar(0x0416)));
    EXPECT_EQ(song.SongSettings.SongName().size(), 80);
    EXPECT_EQ(song.SongSettings.SongNameHigh().size(), 80);
    EXPECT_EQ(song.WideSongName(), QString(80, QChar(0x0416)));

    song.SetSongName("plain");
    // The high half keeps its old length, so the name now reads as 8-bit text.
    EXPECT_EQ(song.WideSongName(), QString("plain"));
}

TEST(WideText, ExtraBreakCharacterJoinsItsTwoBytes) {
    tLyrimoData song;
    song.SongSettings.setExtraBreakChar(0x2D);
    EXPECT_EQ(song.ExtraBreakChar(), u'-');
    song.SongSettings.setExtraBreakCharHigh(0x04);
    EXPECT_EQ(song.ExtraBreakChar(), char16_t(0x042D));
}

TEST(LegacyEffectCode, EveryCodeSurvivesDecodeThenEncode) {
    for (int code = 0; code <= 12; ++code) {
        tPartExtras extras;
        DecodeLegacyEffectCode(static_cast<uint8_t>(code), extras);
        // Code 3 and 4 decode to static text with a ball and encode back the same way.
        EXPECT_EQ(EncodeLegacyEffectCode(extras), code) << "code " << code;
    }
}

TEST(LegacyEffectCode, DecodesTheTableAndUnknownCodes) {
    tPartExtras extras;
    DecodeLegacyEffectCode(1, extras);
    EXPECT_EQ(extras.TextMode(), 0);
    EXPECT_EQ(extras.Underline(), 1);
    DecodeLegacyEffectCode(11, extras);
    EXPECT_EQ(extras.TextMode(), 6);
    EXPECT_EQ(extras.BallStyle(), 1);
    EXPECT_EQ(extras.Underline(), 0);
    DecodeLegacyEffectCode(13, extras);
    EXPECT_EQ(extras.TextMode(), 0);
    EXPECT_EQ(extras.BallStyle(), 0);
}

TEST(LegacyEffectCode, ModesWithoutACodeFallBackToUnderlineOrBall) {
    tPartExtras extras;
    extras.setTextMode(3); // highlight characters has no code of its own
    extras.setBallStyle(1);
    EXPECT_EQ(EncodeLegacyEffectCode(extras), 3);
    extras.setBallStyle(2);
    EXPECT_EQ(EncodeLegacyEffectCode(extras), 4);
    extras.setUnderline(1);
    EXPECT_EQ(EncodeLegacyEffectCode(extras), 1);
    extras.setTextMode(5);
    extras.setUnderline(0);
    extras.setBallStyle(0);
    EXPECT_EQ(EncodeLegacyEffectCode(extras), 4);
}

TEST(Line, TimingAccessorsStayInsideTheList) {
    tTimingsLineType line;
    for (int i = 0; i < 3; ++i)
        line.AddTiming(MakeTiming(static_cast<uint8_t>(i), static_cast<uint16_t>(100 * i)));
    EXPECT_EQ(line.GetTiming(5), tTimingRecord{});
    EXPECT_EQ(line.GetTiming(-1), tTimingRecord{});
    line.SetTiming(7, MakeTiming(9, 9));
    line.DeleteTiming(3);
    EXPECT_EQ(line.TimingCount(), 3);
    EXPECT_TRUE(line.InsertTiming(1, MakeTiming(5, 50)));
    EXPECT_EQ(line.GetTiming(1).Delta(), 50);
    EXPECT_EQ(line.GetTiming(2).Delta(), 100);
}

TEST(Line, HoldsAtMostTheTimingsItsRecordCanCount) {
    tTimingsLineType line;
    for (int i = 0; i < kMaxTimingsPerLine; ++i)
        ASSERT_TRUE(line.AddTiming(MakeTiming(0, static_cast<uint16_t>(i))));
    EXPECT_FALSE(line.AddTiming(MakeTiming(0, 0)));
    EXPECT_FALSE(line.InsertTiming(0, MakeTiming(0, 0)));
    EXPECT_EQ(line.TimingCount(), kMaxTimingsPerLine);
}

TEST(NewSong, TakesItsDefaultsFromThePreferencesAndTheDisplay) {
    tHeadlessServices services;
    services.settings.LyrimoDoesTimings = false;
    services.settings.UseMultibyte = false;
    services.settings.R2LReading = true;
    services.settings.AltDrawingMode = true;
    services.settings.FLTL = false;
    services.settings.PrevAlign = 2;
    services.settings.HalfSize = false;
    services.settings.BlendBG = true;
    services.settings.FadeinPreview = false;
    services.displaySize = {1920, 1080};
    SetApp(&services);
    tLyrimoData song;
    SetApp(nullptr);

    const tSongSettings& s = song.SongSettings;
    EXPECT_EQ(s.TweakWinampTimings(), 0);
    EXPECT_EQ(s.UnicodeText(), 0);
    EXPECT_EQ(s.RightToLeft(), 1);
    EXPECT_EQ(s.AltDrawMode(), 1);
    EXPECT_EQ(s.FirstLineTop(), 0);
    EXPECT_EQ(s.PreviewAlign(), 2);
    EXPECT_EQ(s.PreviewHalfSize(), 0);
    EXPECT_EQ(s.PreviewBlend(), 1);
    EXPECT_EQ(s.PreviewFadeIn(), 0);
    EXPECT_EQ(s.PlayWidth(), 1920);
    EXPECT_EQ(s.PlayHeight(), 1080);
}

TEST(NewSong, HasOneMainPartAndTheFixedDefaults) {
    tLyrimoData song;
    const tSongSettings& s = song.SongSettings;
    ASSERT_EQ(song.PartCount(), 1);
    EXPECT_EQ(s.SplitSize(), 40);
    EXPECT_EQ(s.CdTrack(), 1);
    EXPECT_EQ(s.PartsTableOffset(), -1);
    EXPECT_EQ(s.BackgroundTransparent(), 1);
    EXPECT_EQ(s.CutoutText(), 1);
    EXPECT_EQ(s.TitleFadeOut(), 1);
    EXPECT_EQ(s.TitleFadeIn(), 0);
    EXPECT_EQ(s.TitleEffectSpeed(), 1);
    EXPECT_EQ(s.TitleFont().name(), "Arial");
    EXPECT_EQ(s.TitleFont().colour(), 0xFFFFFF);
    EXPECT_EQ(s.TitleFont().size(), 16);
    EXPECT_EQ(s.TitleFont().style(), kFontBold);

    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(part.PartRecord.PartName(), "Main Part");
    EXPECT_EQ(part.PartRecord.LyricsFont().size(), 12);
    EXPECT_EQ(part.PartRecord.LyricsFont().colour(), 0xFFFFFF);
    EXPECT_EQ(part.PartRecord.LyricsFont().style(), kFontBold);
    EXPECT_EQ(part.PartExtras.TextMode(), 1);
    EXPECT_EQ(part.PartExtras.TextSpacing(), 1);
    EXPECT_EQ(part.Slots[kBallSlot].Record.FrameCount(), 1);
    EXPECT_EQ(part.Slots[kAnimationSlot].Record.FrameCount(), 1);
    EXPECT_EQ(part.Slots[kAnimationSlot].Record.Placement(), 5);
    EXPECT_EQ(song.GetPart(1), nullptr);
}

TEST(NewSong, ClearingDeletesTheExtractedMediaFile) {
    const QString media = test::ScratchFolder() + "/tmp/extracted.mp3";
    ASSERT_TRUE(test::WriteFile(media, "sound"));
    tLyrimoData song;
    song.SetTempMediaPath(media);
    EXPECT_TRUE(song.HasTempMedia());
    song.Clear();
    EXPECT_FALSE(QFile::exists(media));
    EXPECT_TRUE(song.TempMediaPath().isEmpty());

    ASSERT_TRUE(test::WriteFile(media, "sound"));
    {
        tLyrimoData other;
        other.SetTempMediaPath(media);
    }
    EXPECT_FALSE(QFile::exists(media));
}

TEST(SlideShowLists, IndexAccessNeverFails) {
    tSlideShowPictureList pictures;
    tPictureRecord record;
    record.setName("sunset");
    EXPECT_EQ(pictures.AddPicture(record), 0);
    EXPECT_EQ(pictures.GetPictureRecord(0).Name(), "sunset");
    EXPECT_EQ(pictures.GetPicture(1), nullptr);
    pictures.DeletePicture(4);
    EXPECT_EQ(pictures.Count(), 1);

    tSlideShowSlideList slides;
    tSlideRecord slide;
    slide.setShowTime(1234);
    slides.AddSlide(slide);
    slides.SetSlide(3, tSlideRecord{});
    EXPECT_EQ(slides.GetSlide(0).ShowTime(), 1234);
    EXPECT_EQ(slides.GetSlide(2), tSlideRecord{});
}

TEST(NewSong, NamesItsPartInTheInterfaceLanguage) {
    const QString folder = test::ScratchFolder() + "/data/Pellix Software/Lyrimo/Languages";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(test::WriteFile(folder + "/Deutsch.ini", "[translation]\r\nMain Part=Hauptteil\r\n"));
    Settings().Language = "Deutsch";
    ProgramTranslator().Reload();
    tLyrimoData song;
    Settings().Language = "default";
    ProgramTranslator().Reload();
    EXPECT_EQ(song.GetPart(0)->PartRecord.PartName(), "Hauptteil");
}
