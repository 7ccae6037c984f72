#include "app/app_services.h"
#include "document/song.h"
#include "fake_player.h"
#include "media/media_player.h"
#include "media/player_catalog.h"
#include "test_support.h"

#include <QFile>

#include <gtest/gtest.h>

#include <map>

using namespace lyrimo;
using test::tFakePlayer;

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

constexpr uint8_t kExternal = player::External, kVlc = player::QuickTime, kMpv = player::WindowsMediaPlayer,
                  kBuiltin = player::Mci, kGStreamer = player::DirectShow;

class MediaPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedSettings_ = Settings();
        savedHooks_ = SettingsHooks();
        SettingsHooks().cdDevices = [this] { return cdDevices; };
        Settings().Player2Order = DecodePlayerOrder("15324"); // 1, 5, 3, 4, 2
        Settings().DefaultCDROM = "A";
    }
    void TearDown() override {
        manager.reset();
        Settings() = savedSettings_;
        SettingsHooks() = savedHooks_;
    }

    // A manager whose five backends are fakes listing the given extensions.
    tMyMediaPlayer& Make(const QStringList& extensions = {".mp3", ".avi"}) {
        manager = std::make_unique<tMyMediaPlayer>([this, extensions](uint8_t id) {
            constructed.push_back(id);
            auto fake = std::make_unique<tFakePlayer>(id, &log);
            fake->SetExtensions(extensions);
            fakes[id] = fake.get();
            return fake;
        });
        log.clear();
        return *manager;
    }

    QStringList OpenCalls() const { return log.filter(" Open"); }

    QStringList cdDevices = {"/dev/sr0", "/dev/sr1"};
    QStringList log;
    std::vector<uint8_t> constructed;
    std::map<uint8_t, tFakePlayer*> fakes;
    std::unique_ptr<tMyMediaPlayer> manager;

private:
    tSettingsClass savedSettings_;
    tSettingsHooks savedHooks_;
};

TEST_F(MediaPlayerTest, ConstructionOrderFlagsAndDefaults) {
    tMyMediaPlayer& m = Make();
    EXPECT_EQ(constructed, (std::vector<uint8_t>{kExternal, kMpv, kBuiltin, kVlc, kGStreamer}));
    EXPECT_FALSE(m.TimingCorrection.AdjustWinampTimingsForWmp);
    EXPECT_TRUE(m.TimingCorrection.TweakWinampTimings);
    EXPECT_EQ(m.Current, nullptr);
    EXPECT_EQ(m.ForcedPlayer, 0);
    EXPECT_EQ(m.PlayerOrder, (tPlayerOrder{kExternal, kGStreamer, kMpv, kBuiltin, kVlc}));
    EXPECT_EQ(m.CDDrives, (QStringList{"A:\\", "B:\\"}));
    EXPECT_EQ(m.CDDrive, QChar('A'));
}

TEST_F(MediaPlayerTest, PassThroughsAreNeutralWithoutABackendAndReachTheSelectedOne) {
    tMyMediaPlayer& m = Make();
    EXPECT_EQ(m.GetRate(), 1.0);
    EXPECT_EQ(m.OverlaySurface(), nullptr);
    EXPECT_FALSE(m.CanChangeRate() || m.IsPlaying() || m.IsPaused());
    EXPECT_EQ(m.PlayerID() + m.OverlayColorKey() + m.VideoWidth() + m.VideoHeight() + m.GetPosition() +
                  m.GetLength(),
              0);
    m.SetPosition(5);
    m.PauseResume();
    m.SetRate(2);
    EXPECT_TRUE(log.isEmpty());

    ASSERT_TRUE(m.OpenFile("/songs/a.mp3", nullptr, 7));
    fakes[kExternal]->position = 1234;
    fakes[kExternal]->rate = 1.5;
    EXPECT_EQ(m.PlayerID(), kExternal);
    EXPECT_EQ(m.GetPosition(), 1234);
    EXPECT_EQ(m.GetRate(), 1.5);
    log.clear();
    m.SetDisplayRect({1, 2, 3, 4});
    m.SetPosition(900);
    m.PauseResume();
    EXPECT_EQ(log, (QStringList{"1 SetDisplayRect 1 2 3 4", "1 SetPosition 900", "1 PauseResume"}));
}

TEST_F(MediaPlayerTest, TheLyricsOffsetOfTheOpenIsTakenOffThePositionAndNothingElse) {
    tMyMediaPlayer& m = Make();
    Settings().LyricsOffsetMs = 300;
    ASSERT_TRUE(m.OpenFile("/songs/a.mp3", nullptr, 7));
    Settings().LyricsOffsetMs = -50; // counts from the next open on
    fakes[kExternal]->position = 1234;
    fakes[kExternal]->length = 9000;
    EXPECT_EQ(m.GetPosition(), 934);
    EXPECT_EQ(m.GetLength(), 9000);
    fakes[kExternal]->position = 200;
    EXPECT_EQ(m.GetPosition(), 0) << "never before the start";
    log.clear();
    m.SetPosition(900);
    EXPECT_EQ(log, QStringList{"1 SetPosition 900"}) << "a seek names the media time";
    ASSERT_TRUE(m.OpenFile("/songs/a.mp3", nullptr, 7));
    EXPECT_EQ(m.GetPosition(), 250);
    Settings().LyricsOffsetMs = 0;
}

TEST_F(MediaPlayerTest, ExtensionsMatchIgnoringCaseAndANameWithoutOneMatchesNothing) {
    tMyMediaPlayer& m = Make();
    EXPECT_TRUE(m.OpenFile("/songs/LOUD.MP3", nullptr, 0));
    EXPECT_EQ(OpenCalls(), QStringList{"1 OpenFile /songs/LOUD.MP3 0"});

    log.clear();
    EXPECT_FALSE(m.OpenFile("/songs.d/README", nullptr, 0));
    EXPECT_TRUE(OpenCalls().isEmpty());
    EXPECT_EQ(m.TakeLastError(), "Unable to find a suitable player for files of type ");
    EXPECT_EQ(m.TakeLastError(), "");
}

TEST_F(MediaPlayerTest, WithEveryBackendDisabledEveryOpenFails) {
    tMyMediaPlayer& m = Make();
    for (auto& [id, fake] : fakes)
        fake->enabled = false;
    EXPECT_FALSE(m.OpenFile("/songs/a.mp3", nullptr, 0));
    EXPECT_EQ(m.TakeLastError(), "Unable to find a suitable player for files of type .mp3");
    EXPECT_TRUE(log.filter("IsAvailable").isEmpty()) << "availability is asked only of enabled players";
}

TEST_F(MediaPlayerTest, OrderSkipsPlayersWithoutTheExtensionAndALaterSuccessClearsTheError) {
    tMyMediaPlayer& m = Make({".avi"});
    fakes[kExternal]->SetExtensions({".mp3"});
    fakes[kGStreamer]->opens = false;
    fakes[kGStreamer]->openError = "Error opening file: broken";
    EXPECT_TRUE(m.OpenFile("/v/clip.avi", nullptr, 0));
    EXPECT_EQ(OpenCalls(), (QStringList{"5 OpenFile /v/clip.avi 0", "3 OpenFile /v/clip.avi 0"}));
    EXPECT_EQ(m.Current, fakes[kMpv]);
    EXPECT_EQ(m.TakeLastError(), "");
}

TEST_F(MediaPlayerTest, PreferredPlayerIsTriedFirstThenTheOrderIncludingItAgain) {
    tMyMediaPlayer& m = Make();
    m.ForcedPlayer = kBuiltin;
    EXPECT_TRUE(m.OpenFile("/s/a.mp3", nullptr, 0));
    EXPECT_EQ(OpenCalls(), QStringList{"4 OpenFile /s/a.mp3 0"});

    log.clear();
    for (auto& [id, fake] : fakes) {
        fake->opens = false;
        fake->openError = QString("player %1 failed").arg(id);
    }
    m.CloseCurrent(); // a preference counts only while nothing is open
    log.clear();
    m.ForcedPlayer = kBuiltin;
    EXPECT_FALSE(m.OpenFile("/s/a.mp3", nullptr, 0));
    EXPECT_EQ(OpenCalls(),
              (QStringList{"4 OpenFile /s/a.mp3 0", "1 OpenFile /s/a.mp3 0", "5 OpenFile /s/a.mp3 0",
                           "3 OpenFile /s/a.mp3 0", "4 OpenFile /s/a.mp3 0", "2 OpenFile /s/a.mp3 0"}));
    EXPECT_EQ(m.TakeLastError(), "player 2 failed");
    EXPECT_EQ(m.Current, fakes[kVlc]) << "the backend that failed last stays selected";
}

TEST_F(MediaPlayerTest, APlayerPassedOverDoesNotHideAnEarlierFailure) {
    tMyMediaPlayer& m = Make();
    Settings().Player2Order = DecodePlayerOrder("24"); // built-in, then VLC
    fakes[kBuiltin]->opens = false;
    fakes[kBuiltin]->openError = "Error opening file: the file is damaged";
    fakes[kVlc]->enabled = false;
    for (uint8_t id : {kExternal, kMpv, kGStreamer})
        fakes[id]->SetExtensions({});
    EXPECT_FALSE(m.OpenFile("/s/a.mp3", nullptr, 0));
    EXPECT_EQ(m.TakeLastError(), "Error opening file: the file is damaged");
}

TEST_F(MediaPlayerTest, EachOpenReadsTheOrderAnew) {
    tMyMediaPlayer& m = Make();
    Settings().Player2Order = DecodePlayerOrder("3");
    EXPECT_TRUE(m.OpenFile("/s/a.mp3", nullptr, 0));
    EXPECT_EQ(m.PlayerOrder, (tPlayerOrder{kMpv, kExternal, kVlc, kGStreamer, kBuiltin}));
    EXPECT_EQ(m.Current, fakes[kMpv]);
}

TEST_F(MediaPlayerTest, SelectingAPlayer) {
    tMyMediaPlayer& m = Make();
    EXPECT_FALSE(m.SelectPlayer(9));
    EXPECT_EQ(m.TakeLastError(), "Unable to find a suitable player to play cd tracks");

    m.LastError = "earlier";
    fakes[kMpv]->available = false;
    EXPECT_FALSE(m.SelectPlayer(kMpv));
    EXPECT_EQ(m.LastError, "");
    EXPECT_EQ(m.Current, nullptr);

    EXPECT_TRUE(m.SelectPlayer(kBuiltin));
    EXPECT_EQ(m.Current, fakes[kBuiltin]);
    m.ForcedPlayer = kVlc;
    log.clear();
    EXPECT_TRUE(m.SelectPlayer(kGStreamer));
    EXPECT_EQ(log.first(), "4 Close") << "selecting closes the current player first";
    EXPECT_EQ(m.ForcedPlayer, 0);
}

TEST_F(MediaPlayerTest, ForcedPlayerSurvivesOnlyWhileNothingIsOpen) {
    tMyMediaPlayer& m = Make();
    m.ForcedPlayer = kVlc;
    m.CloseCurrent();
    EXPECT_EQ(m.ForcedPlayer, kVlc) << "nothing was open";
    ASSERT_TRUE(m.OpenFile("/s/a.mp3", nullptr, 0));
    EXPECT_EQ(m.Current, fakes[kVlc]);
    m.ForcedPlayer = kBuiltin;
    ASSERT_TRUE(m.OpenFile("/s/b.mp3", nullptr, 0));
    EXPECT_EQ(m.Current, fakes[kExternal]) << "the preference was dropped when the open medium was closed";
}

TEST_F(MediaPlayerTest, DestroyingTheManagerClosesTheCurrentMedium) {
    tMyMediaPlayer& m = Make();
    ASSERT_TRUE(m.OpenFile("/s/a.mp3", nullptr, 0));
    log.clear();
    manager.reset();
    EXPECT_EQ(log, QStringList{"1 Close"});
}

TEST_F(MediaPlayerTest, CdDrivesFollowTheDefaultDrive) {
    Settings().DefaultCDROM = "b";
    tMyMediaPlayer& m = Make();
    EXPECT_EQ(m.CDDrive, QChar('B'));
    Settings().DefaultCDROM = "D";
    m.FindCDDrives();
    EXPECT_EQ(m.CDDrive, QChar('A')) << "a drive that is not there gives way to the first";
    cdDevices.clear();
    m.FindCDDrives();
    EXPECT_TRUE(m.CDDrives.isEmpty());
    EXPECT_EQ(m.CDDrive, QChar(' '));
}

TEST_F(MediaPlayerTest, OpeningACdTrack) {
    tMyMediaPlayer& m = Make();
    fakes[kExternal]->playsCds = false;
    fakes[kGStreamer]->opens = false;
    fakes[kGStreamer]->openError = "no disc";
    Settings().DefaultCDROM = "B";
    EXPECT_TRUE(m.OpenCDTrack(3, nullptr, 9));
    EXPECT_EQ(OpenCalls(), (QStringList{"5 OpenCDTrack 3 B 9", "3 OpenCDTrack 3 B 9"}));
    EXPECT_EQ(m.Current, fakes[kMpv]);

    log.clear();
    for (auto& [id, fake] : fakes)
        fake->opens = false;
    m.CloseCurrent();
    m.ForcedPlayer = kBuiltin;
    EXPECT_FALSE(m.OpenCDTrack(4, nullptr, 0));
    EXPECT_EQ(OpenCalls().first(), "4 OpenCDTrack 4 B 0");
    EXPECT_EQ(m.TakeLastError(), "") << "a backend's CD failure stays inside the backend";

    cdDevices.clear();
    log.clear();
    m.LastError = "stale";
    EXPECT_FALSE(m.OpenCDTrack(1, nullptr, 0));
    EXPECT_TRUE(OpenCalls().isEmpty());
    EXPECT_EQ(m.TakeLastError(), "");
}

class MediaPlayerSongTest : public MediaPlayerTest {
protected:
    void SetUp() override {
        MediaPlayerTest::SetUp();
        mediaPath = test::ScratchFolder() + "/song-media.mp3";
        ASSERT_TRUE(test::WriteFile(mediaPath, "not really sound"));
        tSongSettings& s = song.SongSettings;
        s.setUseMediaFile(1);
        s.setMediaFileName(QFile::encodeName(mediaPath));
        s.setBackgroundColour(0x123456);
        s.setTweakWinampTimings(0);
        s.setAdjustWinampTimingsForWmp(1);
    }
    QString mediaPath;
    tLyrimoData song;
};

TEST_F(MediaPlayerSongTest, OpensTheMediaFileWithTheSongsPreferencesAndFlags) {
    tMyMediaPlayer& m = Make();
    song.SongSettings.setPreferredPlayer(kBuiltin);
    EXPECT_TRUE(m.OpenSongMedia(song, nullptr));
    EXPECT_EQ(OpenCalls(), QStringList{"4 OpenFile " + mediaPath + " 1193046"});
    EXPECT_EQ(m.ForcedPlayer, 0);
    EXPECT_TRUE(m.TimingCorrection.AdjustWinampTimingsForWmp);
    EXPECT_FALSE(m.TimingCorrection.TweakWinampTimings);
    EXPECT_EQ(fakes[kBuiltin]->TimingCorrection(), m.TimingCorrection) << "handed to the backend that opens";
}

TEST_F(MediaPlayerSongTest, TwoManagersKeepTheFlagsOfTheirOwnSongs) {
    tMyMediaPlayer& first = Make();
    tFakePlayer* firstBuiltin = fakes[kBuiltin];
    QStringList otherLog;
    std::map<uint8_t, tFakePlayer*> others;
    tMyMediaPlayer second([&](uint8_t id) {
        auto fake = std::make_unique<tFakePlayer>(id, &otherLog);
        fake->SetExtensions({".mp3"});
        others[id] = fake.get();
        return fake;
    });
    tLyrimoData other;
    other.SongSettings = song.SongSettings;
    other.SongSettings.setAdjustWinampTimingsForWmp(0);
    other.SongSettings.setTweakWinampTimings(1);
    other.SongSettings.setUseMediaFile(0);
    song.SongSettings.setPreferredPlayer(kBuiltin);
    other.SongSettings.setPreferredPlayer(kBuiltin);

    ASSERT_TRUE(first.OpenSongMedia(song, nullptr));
    ASSERT_TRUE(second.OpenSongMedia(other, nullptr));
    EXPECT_EQ(first.TimingCorrection, (tTimingCorrection{true, false}));
    EXPECT_EQ(second.TimingCorrection, (tTimingCorrection{false, true}));
    EXPECT_EQ(firstBuiltin->TimingCorrection(), (tTimingCorrection{true, false}));
    EXPECT_EQ(others[kBuiltin]->TimingCorrection(), (tTimingCorrection{false, true}))
        << "through the CD open";

    // A file opened without a song keeps the manager's last song's flags.
    ASSERT_TRUE(first.OpenFile("/s/b.mp3", nullptr, 0));
    EXPECT_EQ(first.Current->TimingCorrection(), (tTimingCorrection{true, false}));
}

TEST_F(MediaPlayerSongTest, AMissingFileOrAnUnknownMediaKindFails) {
    tMyMediaPlayer& m = Make();
    song.SongSettings.setMediaFileName(QFile::encodeName(test::ScratchFolder() + "/gone.mp3"));
    EXPECT_FALSE(m.OpenSongMedia(song, nullptr));
    EXPECT_EQ(m.TakeLastError(), "The file could not be found...");
    song.SongSettings.setUseMediaFile(7);
    song.SongSettings.setPreferredPlayer(kVlc);
    EXPECT_FALSE(m.OpenSongMedia(song, nullptr));
    EXPECT_EQ(m.ForcedPlayer, 0);
    EXPECT_TRUE(OpenCalls().isEmpty());
}

TEST_F(MediaPlayerSongTest, ACdSongOpensItsTrack) {
    tMyMediaPlayer& m = Make();
    song.SongSettings.setUseMediaFile(0);
    song.SongSettings.setCdTrack(12);
    EXPECT_TRUE(m.OpenSongMedia(song, nullptr));
    EXPECT_EQ(OpenCalls(), QStringList{"1 OpenCDTrack 12 A 1193046"});
    EXPECT_EQ(fakes[kExternal]->TimingCorrection(), (tTimingCorrection{true, false}));
}

TEST(SupportedFilesFilter, ListsEnabledPlayersInFilterOrder) {
    const tSettingsClass saved = Settings();
    tSettingsClass& s = Settings();
    s.UseMediaPlayer = s.UseWindowsMediaPlayer = s.UseQuicktimePlayer = s.UseWinamp = s.DirectShow = true;
    s.UseFileExtensionsMCI = ".mid|.rmi";
    s.UseFileExtensionsWMP = ".wma";
    s.UseFileExtensionsQT = "";
    s.UseFileExtensions = ".ogg|.mp3";
    s.UseFileExtensionsDS = ".avi";
    EXPECT_EQ(SupportedFilesFilter(),
              "All Files|*.*|Built-in player Supported Files|*.mid;*.rmi|"
              "mpv Supported Files|*.wma|External player (MPRIS) Supported Files|*.ogg;*.mp3|"
              "GStreamer Supported Files|*.avi|");
    s.UseWindowsMediaPlayer = s.UseWinamp = s.DirectShow = false;
    EXPECT_EQ(SupportedFilesFilter(), "All Files|*.*|Built-in player Supported Files|*.mid;*.rmi|");
    Settings() = saved;
}

TEST(PlayerExtensions, AListSplitsAtEveryBarAndAnEmptyOneIsOneEmptyExtension) {
    EXPECT_EQ(BackendExtensions(".mid|.rmi"), (QStringList{".mid", ".rmi"}));
    EXPECT_EQ(BackendExtensions(""), QStringList{""});
}

// A backend with only the required operations.
class tMinimalPlayer : public tPlayer {
public:
    explicit tMinimalPlayer(uint8_t id) : id_(id) { SetExtensions({".mp3"}); }
    uint8_t PlayerID() override { return id_; }
    bool IsAvailable() override { return true; }
    int GetPosition() override { return 0; }
    int GetLength() override { return 0; }
    void SetPosition(int) override {}
    void Play() override {}
    void PauseResume() override {}
    void Stop() override {}
    bool IsPlaying() override { return false; }
    bool IsPaused() override { return false; }
    bool OpenFile(const QString&, tVideoWindow*, int32_t) override { return true; }
    void Close() override {}

private:
    uint8_t id_;
};

TEST_F(MediaPlayerTest, AMinimalBackendTakesItsPreferencesFromItsIdentifier) {
    Settings().UseMediaPlayer = true;
    Settings().MCIPlayCDs = false;
    Settings().UseQuicktimePlayer = false;
    tMinimalPlayer builtin(kBuiltin), vlc(kVlc), unknown(9);
    EXPECT_TRUE(builtin.IsEnabled());
    EXPECT_FALSE(builtin.CanPlayCDs());
    Settings().MCIPlayCDs = true;
    EXPECT_TRUE(builtin.CanPlayCDs()) << "the setting is read when asked, not kept";
    EXPECT_FALSE(vlc.IsEnabled());
    Settings().UseQuicktimePlayer = true;
    EXPECT_TRUE(vlc.IsEnabled());
    EXPECT_FALSE(vlc.CanPlayCDs()) << "this identifier never plays CDs";
    EXPECT_FALSE(unknown.IsEnabled() || unknown.CanPlayCDs());
    EXPECT_FALSE(builtin.OpenCDTrack(1, 'A', 0, nullptr));
    EXPECT_TRUE(builtin.HandlesExtension(".MP3"));
    EXPECT_FALSE(builtin.HandlesExtension(".ogg"));
}

TEST_F(MediaPlayerTest, AMinimalBackendAnswersAsTheManagerDoesWithNothingSelected) {
    manager =
        std::make_unique<tMyMediaPlayer>([](uint8_t id) { return std::make_unique<tMinimalPlayer>(id); });
    tMyMediaPlayer& m = *manager;
    ASSERT_TRUE(m.OpenFile("/s/a.mp3", nullptr, 0));
    ASSERT_NE(m.Current, nullptr);
    m.SetDisplayRect({1, 2, 3, 4});
    m.FocusDisplay();
    m.RefreshDisplay();
    m.SetPlaybackCursor();
    m.SetRate(2.0);
    EXPECT_EQ(m.GetRate(), 1.0) << "a rate is ignored where it cannot change";
    EXPECT_FALSE(m.CanChangeRate());
    EXPECT_EQ(m.OverlaySurface(), nullptr);
    EXPECT_EQ(m.OverlayColorKey(), 0);
    EXPECT_EQ(m.VideoWidth(), 0);
    EXPECT_EQ(m.VideoHeight(), 0);
    EXPECT_EQ(m.Current->TrackCount(), 0);
    EXPECT_TRUE(m.Current->LastError().isEmpty());
    EXPECT_FALSE(m.OpenCDTrack(1, nullptr, 0))
        << "without a CD open of its own a backend refuses every track";
}

TEST(TimingCorrections, AdjustmentAndTweakForSongsTimedWithTheExternalPlayer) {
    const tTimingCorrection off{false, false};
    EXPECT_EQ(off.CorrectedTime(100000), 100000);
    EXPECT_EQ(off.CorrectedSeekTarget(60000), 60000);
    EXPECT_EQ(off.TweakedSeek(60000).offset, 0);
    const tTimingCorrection on{true, true};
    EXPECT_EQ(on.CorrectedTime(100000), 99228); // 99228.73 truncated
    EXPECT_EQ(on.CorrectedTime(100), -300);     // -300.37 truncated toward zero
    EXPECT_EQ(on.CorrectedSeekTarget(60000), 60223);
    EXPECT_EQ(on.TweakedSeek(60000).target, 60224); // rounded
    EXPECT_EQ(on.TweakedSeek(60000).offset, 224);
}

TEST(CdPositionSmoother, IgnoresLeapsAheadTwentyTimesInARow) {
    tCdPositionSmoother s;
    EXPECT_EQ(s.Filter(5000, false, 1000), 5000);
    for (int i = 1; i <= tCdPositionSmoother::kMaxRejections; ++i)
        EXPECT_EQ(s.Filter(15000, false, 1000 + 100), 5000) << "reading " << i;
    EXPECT_EQ(s.Filter(15000, false, 1100), 15000);
    EXPECT_EQ(s.Filter(15150, false, 1200), 15150) << "within twice the elapsed time";
}

TEST(CdPositionSmoother, PausedAndSeekedPositions) {
    tCdPositionSmoother s;
    EXPECT_EQ(s.Filter(300, true, 0), 300) << "nothing accepted yet";
    EXPECT_EQ(s.Filter(900, true, 10), 300);
    s.Seeked(60000, 20);
    EXPECT_EQ(s.Filter(60000 + 5000, false, 40), 60000);
    EXPECT_EQ(s.Filter(60030, false, 40), 60030);
}

} // namespace
