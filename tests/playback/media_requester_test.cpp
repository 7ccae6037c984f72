#include "app/app_services.h"
#include "app/settings.h"
#include "document/import_template.h"
#include "media/player_presence.h"
#include "media/sound_effect_player.h"
#include "media_fixtures.h"
#include "playback/media_requester.h"
#include "playback/monitors.h"
#include "playback/play_driver.h"
#include "playback/playback_window.h"
#include "playback_fakes.h"
#include "test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace lyrimo {
namespace {

void Type(QWidget& target, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&target, &press);
    }
}

void Press(QWidget& target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&target, &press);
}

void Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class MediaRequesterTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_.printMessages = false;
        SetApp(&services_);
        media_ = test::ScratchFolder() + "/requested.wav";
        test::WriteFile(media_, "RIFF");
    }
    void TearDown() override { SetApp(nullptr); }

    tHeadlessServices services_;
    QString media_;
};

TEST_F(MediaRequesterTest, AMissingFileRefusesPlayUntilAnExistingOneIsTyped) {
    auto song = test::MakeSong({1}, test::ScratchFolder() + "/missing.wav");
    TGetMedia requester(*song, true);
    requester.show();
    EXPECT_EQ(requester.PageIndex(), 1);
    EXPECT_EQ(requester.Warnings(), "Media file could not be found...");
    EXPECT_FALSE(requester.PlayAllowed());
    Press(requester, Qt::Key_Return); // refused while the cross shows
    EXPECT_TRUE(requester.isVisible());

    requester.FileField()->clear();
    requester.FileField()->setFocus();
    const int before = requester.ValidationCount();
    Type(*requester.FileField(), media_);
    EXPECT_EQ(requester.ValidationCount(), before);                           // not while typing
    EXPECT_EQ(song->SongSettings.MediaFileName(), QFile::encodeName(media_)); // written at once
    Wait(TGetMedia::kRevalidateMs + 300);
    EXPECT_EQ(requester.ValidationCount(), before + 1);
    EXPECT_EQ(requester.Warnings(), "None");
    EXPECT_TRUE(requester.PlayAllowed());
    Press(requester, Qt::Key_Return);
    EXPECT_EQ(requester.result(), QDialog::Accepted);
}

TEST_F(MediaRequesterTest, PagesFollowTheMediaKind) {
    auto song = test::MakeSong({1}, media_);
    song->SongSettings.setEmbedMedia(1);
    song->SongSettings.setMediaFileName("/nowhere/extracted.kar");
    {
        TGetMedia requester(*song, true);
        EXPECT_EQ(requester.PageIndex(), 2);
        EXPECT_EQ(requester.EmbeddedLabel()->text(), "Embedded in file of type .kar");
        EXPECT_EQ(requester.Warnings(), "Embedded media could not be found...");
        EXPECT_FALSE(requester.PlayAllowed());
    }
    song->SongSettings.setUseMediaFile(0);
    song->SongSettings.setCdTrack(7);
    song->SongSettings.setPreferredPlayer(4);
    TGetMedia requester(*song, true);
    EXPECT_EQ(requester.PageIndex(), 0);
    EXPECT_EQ(requester.TrackField()->text(), "7");
    EXPECT_TRUE(requester.PlayAllowed());
    EXPECT_EQ(requester.PlayerLine(), "Built-in player");
    EXPECT_TRUE(requester.EnginesLine().startsWith("Built-in player"))
        << requester.EnginesLine().toStdString();
    EXPECT_TRUE(requester.TemplateButton()->isVisibleTo(&requester));
    {
        // A preferred player whose engine is missing is named, and the user told another one plays.
        OverridePlayerPresence([](uint8_t id) { return id == player::Mci; });
        song->SongSettings.setPreferredPlayer(player::QuickTime);
        TGetMedia missing(*song, true);
        EXPECT_EQ(missing.PlayerLine(), "VLC (not on this machine: another player is used)");
        EXPECT_EQ(missing.EnginesLine(),
                  "Built-in player (not found here: mpv, VLC, External player (MPRIS), GStreamer)");
        OverridePlayerPresence({});
        song->SongSettings.setPreferredPlayer(player::Mci);
    }

    // Only digits reach the track field, and only a track of 1 to 99 reaches the song.
    requester.show();
    requester.TrackField()->setFocus();
    requester.TrackField()->clear();
    Type(*requester.TrackField(), "1x2");
    EXPECT_EQ(requester.TrackField()->text(), "12");
    EXPECT_EQ(song->SongSettings.CdTrack(), 12);
    requester.TrackField()->clear();
    Type(*requester.TrackField(), "0");
    EXPECT_EQ(song->SongSettings.CdTrack(), 12);
}

TEST_F(MediaRequesterTest, ASongWithoutMediaCanAlwaysTakeAChosenFile) {
    const QString video = test::ScratchFolder() + "/clip.mp4";
    test::WriteFile(video, "ftyp");
    // An imported lyrics file without music comes as a CD song.
    auto song = test::MakeSong({1}, {});
    song->SongSettings.setUseMediaFile(0);
    {
        TGetMedia requester(*song, true);
        requester.show();
        EXPECT_EQ(requester.PageIndex(), 0);
        EXPECT_TRUE(requester.CdBrowseButton()->isVisible());
        EXPECT_TRUE(requester.CdBrowseButton()->isEnabled());
        requester.ChooseMediaFile(video);
        EXPECT_EQ(requester.PageIndex(), 1);
        EXPECT_EQ(requester.FileField()->text(), video);
        EXPECT_EQ(requester.Warnings(), "None");
        EXPECT_TRUE(requester.PlayAllowed());
        EXPECT_EQ(requester.Notes, "1 song part, contains video");
    }
    EXPECT_EQ(song->SongSettings.UseMediaFile(), 1);
    EXPECT_EQ(song->SongSettings.MediaFileName(), QFile::encodeName(video));
    EXPECT_EQ(song->SongSettings.HasVideo(), 1);

    // Embedding asked for but nothing embedded: the file page, refusing Play until a file is chosen.
    song->SongSettings.setEmbedMedia(1);
    song->SongSettings.setMediaFileName({});
    TGetMedia requester(*song, true);
    EXPECT_EQ(requester.PageIndex(), 1);
    EXPECT_FALSE(requester.PlayAllowed());
    requester.ChooseMediaFile(media_);
    EXPECT_TRUE(requester.PlayAllowed());
    EXPECT_EQ(song->SongSettings.HasVideo(), 0);
    EXPECT_EQ(requester.Notes, "1 song part");

    TGetMedia readOnly(*song, false);
    EXPECT_FALSE(readOnly.CdBrowseButton()->isEnabled());
}

TEST_F(MediaRequesterTest, StepModeIsOfferedOnlyForASinglePartAndNotes) {
    auto twoParts = test::MakeSong({1, 1}, media_);
    twoParts->SongSettings.setSlideShowEnabled(1);
    TGetMedia both(*twoParts, true);
    both.show();
    both.PlayButton()->setFocus();
    EXPECT_FALSE(both.StepButton()->isVisible());
    Press(both, Qt::Key_2);
    EXPECT_FALSE(both.StepMode);
    EXPECT_EQ(both.Notes, "2 song parts, contains a slide show");
    EXPECT_EQ(both.PlayerLine(), "Any suitable player");

    auto onePart = test::MakeSong({1}, media_);
    onePart->SongSettings.setHasVideo(1);
    onePart->SongSettings.setSlideShowEnabled(1);
    TGetMedia single(*onePart, true);
    single.show();
    single.PlayButton()->setFocus();
    EXPECT_TRUE(single.StepButton()->isVisible());
    Press(single, Qt::Key_2);
    EXPECT_TRUE(single.StepMode);
    EXPECT_TRUE(single.StepButton()->isChecked());
    Press(single, Qt::Key_2);
    EXPECT_FALSE(single.StepMode);
    EXPECT_EQ(single.Notes, "1 song part, contains video");
    Press(single, Qt::Key_9);
    EXPECT_EQ(single.result(), QDialog::Rejected);
}

TEST_F(MediaRequesterTest, KeyOneAppliesAChosenTemplateAndNamesItInTheNotes) {
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    tLyrimoData look;
    look.SongSettings.setBackgroundColour(0x00ABCDEF);
    ASSERT_TRUE(SaveTemplate(*store, "Blue Night", look));
    store->sync();

    auto song = test::MakeSong({1, 1}, media_);
    song->SongSettings.setBackgroundColour(0x000001);
    TGetMedia requester(*song, true);
    QStringList prompts;
    tTemplateChoice answer;
    requester.TemplateChooser = [&](const QString& prompt) {
        prompts << prompt;
        return answer;
    };
    requester.show();
    EXPECT_TRUE(requester.TemplateButton()->isVisible());

    // Typing in a field does not apply anything.
    requester.FileField()->setFocus();
    ASSERT_EQ(requester.focusWidget(), requester.FileField());
    Press(requester, Qt::Key_1);
    EXPECT_TRUE(prompts.isEmpty());

    requester.PlayButton()->setFocus();
    answer = {"Blue Night", true};
    Press(requester, Qt::Key_1);
    EXPECT_EQ(prompts, QStringList({"Select a template to apply"}));
    EXPECT_EQ(song->SongSettings.BackgroundColour(), 0x000001); // cancelled
    EXPECT_EQ(requester.Notes, "2 song parts");

    answer = {kDefaultTemplateName, false};
    Press(requester, Qt::Key_1);
    EXPECT_EQ(song->SongSettings.BackgroundColour(), 0x000001);
    EXPECT_EQ(requester.Notes, "2 song parts"); // the default template changes nothing

    answer = {"Blue Night", false};
    Press(requester, Qt::Key_1);
    EXPECT_EQ(prompts.size(), 3);
    EXPECT_EQ(song->SongSettings.BackgroundColour(), 0x00ABCDEF);
    EXPECT_EQ(requester.Notes, "2 song parts, Template: Blue Night");
    EXPECT_TRUE(requester.isVisible()); // the requester stays open for Play

    // The button does the same, and the notes keep naming the template when the media changes.
    song->SongSettings.setBackgroundColour(0x000002);
    requester.TemplateButton()->click();
    EXPECT_EQ(song->SongSettings.BackgroundColour(), 0x00ABCDEF);
    requester.ChooseMediaFile(media_);
    EXPECT_EQ(requester.Notes, "2 song parts, Template: Blue Night");
    EXPECT_EQ(requester.NotesLabel()->text(), requester.Notes);

    // A read-only requester does not change the song.
    TGetMedia readOnly(*song, false);
    int asked = 0;
    readOnly.TemplateChooser = [&](const QString&) {
        ++asked;
        return tTemplateChoice{"Blue Night", false};
    };
    readOnly.show();
    readOnly.PlayButton()->setFocus();
    Press(readOnly, Qt::Key_1);
    EXPECT_EQ(asked, 0);
    DeleteTemplate(*store, "Blue Night");
}

TEST_F(MediaRequesterTest, CancellingTheRequesterPlaysNothing) {
    auto song = test::MakeSong({1}, media_);
    bool windowMade = false;
    SetPlaybackWindowHook([&](TPlaybackWnd&) { windowMade = true; });
    QTimer::singleShot(100, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            Press(*modal, Qt::Key_Escape);
    });
    EXPECT_EQ(PlaySong(*song, 0, true, true, true), playresult::Skipped);
    SetPlaybackWindowHook({});
    EXPECT_FALSE(windowMade);
    EXPECT_FALSE(Status().Playing);
}

TEST_F(MediaRequesterTest, ASongWithoutLinesIsNotPerformed) {
    auto song = test::MakeSong({0, 0}, media_);
    bool windowMade = false;
    SetPlaybackWindowHook([&](TPlaybackWnd&) { windowMade = true; });
    EXPECT_EQ(PlaySong(*song, 0, true, true, true), playresult::Skipped);
    SetPlaybackWindowHook({});
    EXPECT_FALSE(windowMade);
    EXPECT_EQ(
        services_.shownMessages,
        QStringList({"Please Note...: This song has no lyrics to show: none of its parts has a line."}));
}

TEST_F(MediaRequesterTest, PlaySongWithoutRequesterPerformsAndMarksTheProgramAsPlaying) {
    SetMonitorsForTesting({{"\\\\.\\Display0", {0, 0, 320, 240}, {}, 0}});
    QStringList log;
    SetMediaPlayerFactory([&] {
        return std::make_unique<tMyMediaPlayer>([&](uint8_t id) -> std::unique_ptr<tPlayer> {
            if (id != 4)
                return MakeStandardPlayer(id);
            return std::make_unique<test::tScriptedPlayer>(&log);
        });
    });
    bool playingMarked = false;
    SetPlaybackWindowHook([&](TPlaybackWnd& w) {
        w.OnYield = [&w, &playingMarked] {
            playingMarked = playingMarked || Status().Playing;
            if (w.State() == tPlaybackState::ShowingTitle)
                Press(w, Qt::Key_Escape);
        };
    });
    auto song = test::MakeSong({1}, media_);
    EXPECT_EQ(PlaySong(*song, 0, false, false, false), playresult::Ended);
    EXPECT_TRUE(playingMarked);
    EXPECT_FALSE(Status().Playing);
    SetPlaybackWindowHook({});
    SetMediaPlayerFactory({});
    UseRealMonitors();
}

TEST(SoundEffectPlayer, DecodesAFileInTheBackgroundAndStaysSilentOnBadFiles) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    const QString wav = test::ScratchFolder() + "/effect.wav";
    ASSERT_TRUE(test::WriteWav(wav, test::TestSignal(24000, 0.25)));
    tSoundEffectPlayer player;
    player.Play(wav);
    QElapsedTimer timer;
    timer.start();
    while (!player.DecodingDone() && timer.elapsed() < 10000)
        Wait(10);
    ASSERT_TRUE(player.DecodingDone());
    EXPECT_TRUE(player.LastPlayOk());
    // A quarter second, resampled to the effect channel's 48 kHz.
    EXPECT_NEAR(double(player.QueuedFrames()), 12000.0, 64.0);

    const QString junk = test::ScratchFolder() + "/junk.wav";
    test::WriteFile(junk, "this is not a sound");
    player.Play(junk);
    timer.restart();
    while (!player.DecodingDone() && timer.elapsed() < 10000)
        Wait(10);
    EXPECT_FALSE(player.LastPlayOk());
    player.Play(test::ScratchFolder() + "/absent.wav");
    player.Stop();
}

} // namespace
} // namespace lyrimo
