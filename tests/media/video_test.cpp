// The built-in player's video on files made by the tests, whose pictures tell their number: the
// picture in the video window is the one due at the audible position, however it got there.
#include "media/backends/builtin/video_decoder.h"
#include "media/backends/builtin_player.h"
#include "media_fixtures.h"
#include "pull_output.h"
#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

constexpr int kMsPerPicture = 1000 / kVideoPicturesPerSecond;

int DueNumber(int64_t ms) { return int(ms / kMsPerPicture) % kVideoNumberCycle; }

int ShownNumber(const tVideoWindow& window) {
    const Bitmap& frame = window.Frame();
    return VideoPictureNumber(frame.Pixel(frame.Width() / 2, frame.Height() / 2) & 0xFF);
}

class VideoTest : public ::testing::Test {
protected:
    static QString Fixture(const QString& name, const tVideoFixture& fixture = {}) {
        QDir().mkpath(ScratchFolder() + "/video");
        const QString path = ScratchFolder() + "/video/" + name;
        EXPECT_TRUE(WriteNumberedVideo(path, fixture)) << name.toStdString();
        return path;
    }

    void Open(const QString& path) {
        ASSERT_TRUE(player.OpenFile(path, &window, 0)) << player.LastError().toStdString();
    }

    // The decoder keeps only a few pictures ahead, so a test that moves the clock faster than
    // real time gives it a moment to catch up, as frames of the playback window would.
    void RefreshUntilShown(int number) {
        for (int i = 0; i < 400; ++i) {
            player.RefreshDisplay();
            if (window.HasFrame() && ShownNumber(window) == number)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // Plays ms of sound in steps of one picture's time, refreshing after each as the playback
    // window does; the picture shown is never one whose time has not come.
    void PlayAndCheck(int ms) {
        for (int done = 0; done < ms; done += kMsPerPicture) {
            puller.PullMs(kMsPerPicture);
            const int due = DueNumber(player.GetPosition());
            RefreshUntilShown(due);
            ASSERT_EQ(ShownNumber(window), due) << "at " << player.GetPosition() << " ms";
        }
    }

    tPuller puller;
    tVideoWindow window;
    tBuiltinPlayer player{PullOutputFactory(&puller)};
};

TEST_F(VideoTest, OpensWithItsSizeAndShowsTheFirstPictureAtOnce) {
    Open(Fixture("numbered.mp4"));
    EXPECT_EQ(player.VideoWidth(), 64);
    EXPECT_EQ(player.VideoHeight(), 48);
    EXPECT_NEAR(player.GetLength(), 4000, 30);
    player.RefreshDisplay();
    ASSERT_TRUE(window.HasFrame());
    EXPECT_EQ(ShownNumber(window), 0);
    EXPECT_EQ(window.Frame().Format(), tPixelFormat::Bits32);
}

TEST_F(VideoTest, ThePictureShownFollowsTheAudiblePositionThroughPlayPauseAndRate) {
    Open(Fixture("numbered.mp4"));
    player.Play();
    PlayAndCheck(600);

    player.PauseResume();
    puller.PullMs(200);
    player.RefreshDisplay();
    EXPECT_EQ(ShownNumber(window), DueNumber(600)) << "a paused video holds its picture";
    player.PauseResume();
    PlayAndCheck(200);

    player.SetRate(2.0);
    PlayAndCheck(400);
    EXPECT_GT(window.Counts().dropped, 0) << "at double speed every other picture is passed over";
    EXPECT_LE(window.Counts().shown + window.Counts().dropped, window.Counts().decoded);
}

TEST_F(VideoTest, ASeekShowsThePictureDueAtTheTargetAtOnceEvenWhilePaused) {
    Open(Fixture("numbered.mp4"));
    player.Play();
    puller.PullMs(100);
    player.PauseResume();
    for (int target : {1500, 200, 2979, 40, 39, 3100}) {
        player.SetPosition(target);
        EXPECT_EQ(ShownNumber(window), DueNumber(target)) << target;
        player.RefreshDisplay();
        EXPECT_EQ(ShownNumber(window), DueNumber(target)) << "no later picture before playing on";
    }
    player.Play();
    PlayAndCheck(200);
    player.Stop();
    EXPECT_EQ(ShownNumber(window), 0) << "stopping goes back to the first picture";
}

TEST_F(VideoTest, PicturesAreMadeAtTheDisplaySizeKeepingTheirProportions) {
    Open(Fixture("numbered.mp4"));
    player.SetDisplayRect({10, 10, 330, 130});
    player.SetPosition(1000);
    EXPECT_EQ(window.Frame().Width(), 160);
    EXPECT_EQ(window.Frame().Height(), 120);
    player.SetDisplayRect({-10, -10, -5, -5});
    player.SetPosition(1200);
    EXPECT_EQ(window.Frame().Width(), 160) << "a display moved out of sight keeps the size";
}

TEST_F(VideoTest, AVideoWithoutSoundPlaysOnASteadyClock) {
    tVideoFixture silent;
    silent.sound = false;
    silent.codecs = {"-c:v", "mpeg4", "-q:v", "1"};
    Open(Fixture("silent.mkv", silent));
    EXPECT_NEAR(player.GetLength(), 4000, 50);
    player.Play();
    PlayAndCheck(1000);
    puller.PullMs(3200);
    EXPECT_FALSE(player.IsPlaying()) << "it ends with its pictures";
}

TEST_F(VideoTest, SoundWithACoverPictureIsSoundOnly) {
    const QString folder = ScratchFolder() + "/video";
    QDir().mkpath(folder);
    const QString cover = folder + "/cover.png";
    const QString song = folder + "/covered.mp3";
    ASSERT_TRUE(RunFfmpeg({"-f", "lavfi", "-i", "color=c=red:s=300x300:d=1", "-frames:v", "1", cover}));
    ASSERT_TRUE(
        RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-i", cover, "-map", "0", "-map",
                   "1", "-c:a", "libmp3lame", "-c:v", "png", "-disposition:v", "attached_pic", song}));
    Open(song);
    EXPECT_EQ(player.VideoWidth(), 0);
    player.Play();
    puller.PullMs(200);
    player.RefreshDisplay();
    EXPECT_FALSE(window.HasFrame());
    EXPECT_EQ(player.GetPosition(), 200);
}

// Damaged files: bytes overwritten in the middle of the pictures, and a file cut short in its
// headers. They play what they can or fail with a clear message; they never crash.
TEST_F(VideoTest, ADamagedVideoPlaysWhatItCanOrFailsClearly) {
    const QString source = Fixture("numbered.mp4");
    QFile original(source);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    QByteArray scrambled = bytes;
    for (qsizetype i = scrambled.size() / 3; i < scrambled.size() * 2 / 3; i += 7)
        scrambled[i] = char(scrambled[i] ^ 0x5A);
    const QString folder = ScratchFolder() + "/video/";
    for (const auto& [name, content] :
         {std::pair{"scrambled.mp4", scrambled}, {"cut.mp4", bytes.left(600)}}) {
        SCOPED_TRACE(name);
        QFile file(folder + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        if (!player.OpenFile(folder + name, &window, 0)) {
            EXPECT_TRUE(player.LastError().startsWith("Error opening file: "))
                << player.LastError().toStdString();
            continue;
        }
        player.Play();
        for (int i = 0; i < 40; ++i) {
            puller.PullMs(kMsPerPicture * 3);
            player.RefreshDisplay();
        }
        player.SetPosition(2000);
        player.SetPosition(100);
        player.Close();
    }
}

TEST_F(VideoTest, ThePicturesOfAFileCanBeTakenOneAfterAnotherWithoutPlaying) {
    QString reason;
    std::unique_ptr<tVideoDecoder> video = OpenVideoOfFile(Fixture("numbered.mp4"), reason);
    ASSERT_TRUE(video) << reason.toStdString();
    tVideoWindow pictures;
    for (int ms : {0, 40, 119, 120, 1000, 1040, 300, 2500}) {
        video->DecodeTo(ms, pictures);
        EXPECT_EQ(ShownNumber(pictures), DueNumber(ms)) << ms;
    }
}

} // namespace
